// The transmit path: every message to the host leaves through Transmit.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;

// length -1 means up to the zero byte of `bytes`. Returns 1.
int32_t Transmit(Terminal& t, int32_t length, const char* bytes, const char* tag);

}  // namespace marl
