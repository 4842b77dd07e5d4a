#include "link/transmit.h"

#include <cstring>

#include "terminal.h"

namespace marl {

int32_t Transmit(Terminal& t, int32_t length, const char* bytes, const char*) {
  if (bytes == nullptr) return 1;
  if (length < 0) length = int32_t(std::strlen(bytes));
  if (t.link.capture_sends) t.link.sent.append(bytes, size_t(length));
  return 1;
}

}  // namespace marl
