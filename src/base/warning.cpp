#include "base/warning.h"

#include <cstdarg>
#include <cstdio>

#include "terminal.h"

namespace marl {

void Warn(Terminal& t, const char* format, ...) {
  char line[512];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  if (t.hooks.warn != nullptr) {
    t.hooks.warn(t, line);
  } else {
    std::fprintf(stderr, "marlsim: %s\n", line);
  }
}

}  // namespace marl
