// Characters and keys on their way to the windows, the same for every front
// end: while the screen setup window is open its keys go to it, else they go
// to the main window procedure.
#pragma once

#include <cstdint>
#include <string_view>

namespace marl {

struct Terminal;
class CorePlatform;

// A character message: Tab, Enter and Esc act on an open setup window, any
// other character goes to its focused field; without the setup window the
// main window gets it.
void DeliverChar(Terminal& t, CorePlatform& front, unsigned char c, bool shift);
// A key-down or system key-down message; an open setup window's focused
// field takes it.
void DeliverKeyDown(Terminal& t, CorePlatform& front, uint32_t message, uint32_t virtual_key);
// One scan, as the host's scan command injects it: the data up to its first
// zero byte goes to the current form (or is queued while the terminal waits
// for the host).
void DeliverScan(Terminal& t, std::string_view data);

}  // namespace marl
