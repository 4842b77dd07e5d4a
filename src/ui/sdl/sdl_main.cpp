#include "ui/sdl/sdl_main.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "ui/sdl/sdl_platform.h"

namespace marl {

namespace {

// Lines for standard error, the first few also kept, so that the window can
// say why its start-up failed.
ssize_t WriteAndKeep(void* kept, const char* bytes, size_t n) {
  constexpr size_t kKept = 4096;
  auto* text = static_cast<std::string*>(kept);
  text->append(bytes, std::min(n, kKept - std::min(kKept, text->size())));
  std::fwrite(bytes, 1, n, stderr);
  return ssize_t(n);
}

// Commands from a file or a pipe: nobody may be there to answer a box.
bool ScriptDrives(int input) {
  struct stat st {};
  return input >= 0 && fstat(input, &st) == 0 &&
         (S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));
}

}  // namespace

bool DisplayNamed() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != 0) return true;
  }
  return false;
}

int RunSdl(HeadlessOptions options, std::string* why) {
  if (!DisplayNamed()) {
    *why = "no display (neither DISPLAY nor WAYLAND_DISPLAY is set)";
    return kNoWindow;
  }
  SdlPlatform platform(options.zoom, options.mute);
  if (!platform.Open(why)) return kNoWindow;
  // A person at a terminal types into the window, not into the reader.
  if (options.input == 0 && isatty(0)) options.input = -1;
  std::string said;
  std::FILE* diagnostics = fopencookie(&said, "w", {nullptr, WriteAndKeep, nullptr, nullptr});
  if (diagnostics != nullptr) {
    setvbuf(diagnostics, nullptr, _IOLBF, 0);
    options.diagnostics = diagnostics;
  }
  const int status = RunOn(platform, options);
  if (diagnostics != nullptr) std::fclose(diagnostics);
  // The terminal's own box, which a person answers, and the system's reason
  // in the title above it.
  const size_t reason = said.find("cannot connect to host");
  if (status == 1 && reason != std::string::npos && !ScriptDrives(options.input)) {
    platform.SayConnectFailed(said.substr(reason, said.find('\n', reason) - reason));
  }
  return status;
}

}  // namespace marl
