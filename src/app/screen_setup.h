// The screen setup window: two entry fields, COLS and ROWS, with which the
// user picks the simulated screen's size. Enter saves it to the settings
// file and makes it current; Esc leaves everything as it was.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;

// Opens the window and runs its loop until Enter or Esc closes it (or the
// program ends). first_start 1 proposes 20 columns and 16 rows.
void ScreenSetup(Terminal& t, int32_t first_start);

// The pieces of ScreenSetup, for front ends that drive the window's loop
// themselves. Open returns false when the window could not be made.
bool OpenScreenSetup(Terminal& t, int32_t first_start);
// Tab, Enter and Esc act on the setup window whichever window has the focus.
// Returns false for every other key, which belongs to the focused field.
bool ScreenSetupKey(Terminal& t, uint32_t virtual_key, bool shift);
void CloseScreenSetup(Terminal& t);
bool ScreenSetupOpen(const Terminal& t);
// The platform field id that has the focus; 0 when the window is closed.
int32_t ScreenSetupFocus(const Terminal& t);

// The setup window's procedure: draw requests are drawn into it.
intptr_t SetupWindowProc(Terminal& t, uint32_t message, uintptr_t wparam, intptr_t lparam);

}  // namespace marl
