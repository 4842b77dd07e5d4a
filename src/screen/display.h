// The simulated terminal's screen: the grid of what the host's screens hold,
// the cursor, and the display operations. The driver never draws itself: it
// fills the one shared DrawRequest and hands it to the main window.
#pragma once

#include <cstdint>

#include "screen/screen_state.h"

namespace marl {

struct Terminal;

void SetCursor(Terminal& t, int32_t row, int32_t column);
void DrawAt(Terminal& t, int32_t row, int32_t column, int32_t length, const char* bytes,
            uint8_t attribute);
// Overwrites the text's line feeds with zero bytes, as the host's forms expect.
void DrawLines(Terminal& t, int32_t row, int32_t column, char* text);
// DrawLines on a private copy, for callers whose text is not theirs to change.
void DrawLinesCopy(Terminal& t, int32_t row, int32_t column, const char* text);
void UpdateRow(Terminal& t, int32_t row, int32_t column, int32_t length, const char* bytes,
               uint8_t attribute);
void ClearScreen(Terminal& t);
void RepaintScreen(Terminal& t);
void ShowStatus(Terminal& t, const char* text);
void DrawDebugLine(Terminal& t, int32_t n, const char* text);
void MarkFormOverwritten(Terminal& t);
void PlayTune(Terminal& t);

char* GetScreenGrid(Terminal& t);
void SetScreenRows(Terminal& t, int32_t rows);
void SetScreenCols(Terminal& t, int32_t columns);
void ResetClearedFlag(Terminal& t);
Form* GetCurrentForm(Terminal& t);
void SetCurrentForm(Terminal& t, Form* form);
const char* GetVersionText(Terminal& t);

// (Re)allocates the grid for the current rows and columns: blanks, with the
// last cell and the byte after the grid zero. The grid always has room for
// the current size, so nothing written within rows x columns can overrun it.
void ResizeScreenGrid(Terminal& t);
void FreeScreenGrid(Terminal& t);

// The allocator's counters on the two debug lines.
void ShowHeapStats(Terminal& t);

}  // namespace marl
