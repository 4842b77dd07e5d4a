// A shell command line's standard output, for tests that read files back
// with other programs (tshark, python3).
#pragma once

#include <cstdio>
#include <string>

namespace marl::testing {

inline std::string Shell(const std::string& command) {
  std::string out;
  if (std::FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

}  // namespace marl::testing
