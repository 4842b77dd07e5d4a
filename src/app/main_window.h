// The main window procedure: every event of the running terminal arrives
// here as a window message and is handed to the Part of the terminal that
// owns it.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;

intptr_t MainWindowProc(Terminal& t, uint32_t message, uintptr_t wparam, intptr_t lparam);

// Moves the window to a third of the display and sizes it for the screen.
void LayoutMainWindow(Terminal& t);

void TerminalBeep(Terminal& t, int32_t hz, int32_t ms, int32_t volume);

}  // namespace marl
