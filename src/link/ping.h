// Response timing and the ping test: every transmission stamps the time, and
// ping mode turns the host's \PING answers into a round-trip measurement.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;

// The time from `start` to `end` (100-ns units) as text: mode 5 whole
// milliseconds, mode 0 whole seconds, any other mode HHH:MM:SS. The text is
// shared and overwritten by the next call.
const char* FormatElapsed(Terminal& t, uint64_t start, uint64_t end, int32_t mode);
// Milliseconds since the last transmission.
int32_t ResponseTimeMs(Terminal& t);
// Switches ping mode; switching it on clears the screen and sends the first
// ping. Returns the new mode.
int32_t TogglePing(Terminal& t);
void SendPing(Terminal& t, uint32_t n);
// The host answered a ping: shows the round trip and pings again. Returns 0
// when ping mode is off (nothing shown, nothing sent).
int32_t PingReply(Terminal& t);

}  // namespace marl
