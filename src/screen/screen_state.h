// The screen's state: the grid of what the host's screens hold, the cursor,
// the one shared draw request and the attribute runs.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "screen/attribute_runs.h"

namespace marl {

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

// Attribute bits of a draw request.
constexpr uint8_t kAttrReverse = 0x01;
constexpr uint8_t kAttrUnderline = 0x02;
constexpr uint8_t kAttrBold = 0x08;

struct ScreenState {
  int32_t rows = 0;
  int32_t columns = 0;
  // rows x columns cells, row-major, plus one byte; owned here, tag MrpDazAre.
  char* grid = nullptr;
  int32_t grid_rows = 0;  // the size the grid was allocated for
  int32_t grid_columns = 0;
  bool cleared = false;
  int32_t cell_width = kCellWidth;
  bool run_drawing = false;
  int32_t status_count = 0;
  bool debugging = false;
  bool timing = false;
  Form* current_form = nullptr;
  // Where the attributes change, as the formatter found them in the last
  // form text; drawing a form and repainting the screen both follow them.
  AttributeRuns runs;
  int32_t run_count = 1;
  // Something was drawn over the form screen since a form was shown.
  bool form_overwritten = false;
  DrawRequest draw;
};

}  // namespace marl
