#include "link/trace.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

namespace marl {

void TraceBytes(std::FILE* out, const char* what, const char* bytes, int32_t length) {
  if (out == nullptr) return;
  if (length < 0) length = 0;
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) %
                  std::chrono::milliseconds(1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);

  // One dump stays together even when both threads trace at once.
  flockfile(out);
  const bool failed_before = std::ferror(out) != 0;
  if (bytes == nullptr) {
    std::fprintf(out, "%s.%03d %s\n", stamp, int(ms.count()), what);
    length = 0;
  } else {
    std::fprintf(out, "%s.%03d %s %d bytes\n", stamp, int(ms.count()), what, int(length));
  }
  for (int32_t line = 0; line < length; line += 16) {
    std::fprintf(out, "  %04x ", unsigned(line));
    for (int32_t i = line; i < line + 16; ++i) {
      if (i < length) {
        std::fprintf(out, " %02x", unsigned(static_cast<unsigned char>(bytes[i])));
      } else {
        std::fputs("   ", out);
      }
      if (i == line + 7) std::fputc(' ', out);
    }
    std::fputs("  |", out);
    for (int32_t i = line; i < line + 16 && i < length; ++i) {
      const unsigned char c = static_cast<unsigned char>(bytes[i]);
      std::fputc(c >= 0x20 && c <= 0x7E ? c : '.', out);
    }
    std::fputs("|\n", out);
  }
  // A trace that cannot be written (a full disk) is said once, when its
  // error first shows; the terminal goes on without it.
  if (std::fflush(out) != 0 || std::ferror(out) != 0) {
    const int error = errno;
    if (!failed_before) {
      std::fprintf(stderr, "marlsim: cannot write the trace: %s; going on without it\n",
                   std::strerror(error));
    }
  }
  funlockfile(out);
}

}  // namespace marl
