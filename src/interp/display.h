// The simulated terminal's screen: the grid of what the host's screens hold,
// the cursor, and the display operations. The driver never draws itself: it
// fills the one shared DrawRequest and hands it to the main window.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace marl {

struct Terminal;
struct Form;

struct DrawRequest {
  int32_t row = 0;  // the cursor
  int32_t column = 0;
  int32_t length = 0;
  char* text = nullptr;  // owned, guarded; the window releases it
  Rect rectangle;
  void* window = nullptr;
  uint32_t spare = 0;
  uint8_t attribute = 0;
};

constexpr int32_t kRowHeight = 13;
constexpr int32_t kCellWidth = 11;

// `count` cells of `size` pixels (or a size in cells), held within 32 bits:
// a screen size from the host or the settings file may be any number.
inline int32_t SaturatedProduct(int64_t count, int64_t size) {
  const int64_t v = count * size;
  return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : int32_t(v);
}
// Cells of a screen of this size; a side below one gives none.
inline int64_t ScreenCells(int32_t rows, int32_t columns) {
  return rows > 0 && columns > 0 ? int64_t(rows) * columns : 0;
}
constexpr int32_t kNarrowCellWidth = 10;
// No screen is ever larger than this; a bigger size gets no grid at all.
constexpr int64_t kMaxGridCells = 1 << 22;

struct ScreenState {
  int32_t rows = 0;
  int32_t columns = 0;
  // rows x columns cells, row-major, plus one byte; owned here, tag MrpDazAre.
  char* grid = nullptr;
  int32_t grid_rows = 0;  // the size the grid was allocated for
  int32_t grid_columns = 0;
  int32_t cleared = 0;
  int32_t cell_width = kCellWidth;
  int32_t run_drawing = 0;
  int32_t status_count = 0;
  int32_t debugging = 0;
  int32_t timing = 0;
  Form* current_form = nullptr;
  DrawRequest draw;
};

// Attribute bits of a draw request.
constexpr uint8_t kAttrReverse = 0x01;
constexpr uint8_t kAttrUnderline = 0x02;
constexpr uint8_t kAttrBold = 0x08;

int SetCursor(Terminal& t, int32_t row, int32_t column);
int DrawAt(Terminal& t, int32_t row, int32_t column, int32_t length, const char* bytes,
           uint8_t attribute);
// Overwrites the text's line feeds with zero bytes, as the host's forms expect.
int DrawLines(Terminal& t, int32_t row, int32_t column, char* text);
int UpdateRow(Terminal& t, int32_t row, int32_t column, int32_t length, const char* bytes,
              uint8_t attribute);
int ClearScreen(Terminal& t);
int RepaintScreen(Terminal& t);
int ShowStatus(Terminal& t, const char* text);
int DrawDebugLine(Terminal& t, int32_t n, const char* text);
int MarkFormOverwritten(Terminal& t);
int PlaceFormCursor(Terminal& t, Form* form);
int PlayTune(Terminal& t);
int ErrorBeep(Terminal& t);
int ToggleDebugging(Terminal& t);
int ToggleTimingRF(Terminal& t);

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

}  // namespace marl
