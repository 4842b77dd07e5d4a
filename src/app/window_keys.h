// The main window's keys, hot keys and mouse: key messages become key words
// for the key processor; hot keys end the program, switch auto mode, open
// the screen setup or press keys; a click moves to the clicked field.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;

// Scan codes that the window puts into the key word for F1 to F24.
extern const uint8_t kFunctionKeyScanCodes[24];

void HandleKeyDown(Terminal& t, uint32_t virtual_key);
void HandleCharacter(Terminal& t, uint32_t character);
void HandleSystemKeyDown(Terminal& t, uint32_t virtual_key);
// `position` packs x in its low 16 bits and y in the next 16.
void HandleLeftButton(Terminal& t, intptr_t position);
// Hot keys 2 and up; the window procedure ends the program on 0 and 1.
void HandleHotKey(Terminal& t, int32_t id);

void ClickToField(Terminal& t, int32_t x, int32_t y);
void ToggleAutoMode(Terminal& t);
// Blanks the window and homes the cursor, without marking the screen cleared.
void EraseClient(Terminal& t);
// After the screen setup window has closed: lays the window out for the size
// now in force, shows what a changed size means and grows the grid for it.
void ApplyScreenSetup(Terminal& t, int32_t old_rows, int32_t old_columns);

}  // namespace marl
