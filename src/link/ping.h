// Response timing and the ping test.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;

// The shared elapsed text (overwritten by each call).
const char* FormatElapsed(Terminal& t, uint64_t start, uint64_t end, int32_t mode);
int32_t ResponseTimeMs(Terminal& t);
int32_t TogglePing(Terminal& t);
void SendPing(Terminal& t, uint32_t n);
int32_t PingReply(Terminal& t);

}  // namespace marl
