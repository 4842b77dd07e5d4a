// The transmit path: every message to the host leaves through Transmit, in
// chunks of at most 1024 bytes; and the power-up announcement.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;

// length -1 means up to the zero byte of `bytes`; at most 1028 bytes are
// taken. The tag names the transmission; "PowerUP" gets the local address.
// Returns 1.
int32_t Transmit(Terminal& t, int32_t length, const char* bytes, const char* tag);

// Tells the host the screen size, while the text dialect is on.
void SendPowerUp(Terminal& t, int32_t rows, int32_t columns);

// The terminal's IPv4 address as dotted text into `buffer` (at least 16
// bytes): kLinkSuccess, or kLinkFailure when the host name cannot be read.
uint32_t GetLocalAddress(Terminal& t, char* buffer);

int32_t BatteryLevel(Terminal& t);

}  // namespace marl
