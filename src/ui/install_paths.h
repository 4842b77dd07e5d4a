// Where the installed program finds its own files: beside the prefix it was
// installed into (PREFIX/bin/marlsim gives PREFIX/share/...), so the Debian
// package and `cmake --install --prefix` both work. A program run from its
// build folder finds nothing, and goes on without the file.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace marl {

// The documentation's folder as the Debian package installs it, named when
// the running program's own is not there.
inline constexpr const char* kPackageDocDir = "/usr/share/doc/marlsim";

// PREFIX/`relative` when the running program is PREFIX/bin/NAME and that
// file or folder exists, else "".
inline std::string InstalledPath(const std::string& relative) {
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return "";
  std::string path(exe, size_t(n));
  const size_t name = path.rfind('/');
  if (name == std::string::npos || name < 4 || path.compare(name - 4, 4, "/bin") != 0) return "";
  path = path.substr(0, name - 3) + relative;
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? path : "";
}

// The folder of README.md, automation.md and the host guide.
inline std::string DocDir() {
  const std::string installed = InstalledPath("share/doc/marlsim");
  return installed.empty() ? kPackageDocDir : installed;
}

}  // namespace marl
