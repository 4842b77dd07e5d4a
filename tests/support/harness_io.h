// Reading a socket in a test: until a text has come, bounded in time.
#pragma once

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>

namespace marl::testing {

// What `fd` gives until `text` is among it, the other end closes, or
// `limit_ms` have passed.
inline std::string ReadUntil(int fd, const std::string& text, int limit_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
  std::string out;
  char buffer[8192];
  while (out.find(text) == std::string::npos) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    pollfd p{fd, POLLIN, 0};
    if (left <= 0 || poll(&p, 1, int(left)) <= 0) break;
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    out.append(buffer, size_t(n));
  }
  return out;
}

}  // namespace marl::testing
