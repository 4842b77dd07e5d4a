#include "screen/display.h"

#include <cstring>

#include "base/guarded_alloc.h"
#include "platform/messages.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr const char* kSource = "vorrick";

struct Note {
  int32_t hz;
  int32_t ms;
};
constexpr Note kTune[] = {{262, 100}, {262, 100}, {262, 30}, {262, 100}, {330, 100}, {294, 30},
                          {294, 60},  {262, 60},  {262, 60}, {247, 60},  {262, 100}};

int64_t GridCells(const Terminal& t) {
  return int64_t(t.screen.grid_rows) * int64_t(t.screen.grid_columns);
}

// Fills the request's text with a fresh zero-terminated copy of `length`
// bytes. Returns false when the heap had no room.
bool SetRequestText(Terminal& t, const char* bytes, int32_t length) {
  DrawRequest& q = t.screen.draw;
  GuardedFree(t, q.text, kSource);  // never set here; a stray one would leak
  q.text = static_cast<char*>(GuardedCalloc(t, uint32_t(length) + 1, 1, kSource));
  if (q.text == nullptr) return false;
  if (length > 0) std::memcpy(q.text, bytes, size_t(length));
  q.length = length;
  return true;
}

void SendRequest(Terminal& t, uint32_t message) {
  t.platform->SendMessage(message, reinterpret_cast<uintptr_t>(&t.screen.draw), 0);
}

}  // namespace

void DrawLinesCopy(Terminal& t, int32_t row, int32_t column, const char* text) {
  char* copy = GuardedCopy(t, text, -1, kSource);
  if (copy == nullptr) return;
  DrawLines(t, row, column, copy);
  GuardedFree(t, copy, kSource);
}

void SetCursor(Terminal& t, int32_t row, int32_t column) {
  ScreenState& s = t.screen;
  if (column < 0) column = 0;
  if (column > s.columns) column = s.columns;
  if (row < 0) row = 0;
  if (row > s.rows) row = s.rows;
  s.draw.row = row;
  s.draw.column = column;
  t.platform->SetCaretPos(s.cell_width * column, kRowHeight * row);
  s.cell_width = kCellWidth;
}

void DrawAt(Terminal& t, int32_t row, int32_t column, int32_t length, const char* bytes,
            uint8_t attribute) {
  SetCursor(t, row, column);
  if (length < 0) length = 0;
  if (!SetRequestText(t, bytes, length)) return;
  t.screen.draw.attribute = attribute;
  SendRequest(t, kWmDrawLine);
}

void DrawLines(Terminal& t, int32_t row, int32_t column, char* text) {
  SetCursor(t, row, column);
  const int32_t n = int32_t(std::strlen(text));
  bool line_feed = false;
  int32_t start = 0;
  for (int32_t i = 0; i <= n; ++i) {
    if (text[i] == '\n') {
      line_feed = true;
      text[i] = 0;
    } else if (text[i] != 0) {
      continue;
    }
    if (!SetRequestText(t, text + start, i - start)) return;
    char* owned = t.screen.draw.text;
    const bool kept_by_window = t.screen.draw.length > 1;
    SendRequest(t, kWmDrawText);
    // The window leaves a one-character text to its owner; that is us here.
    if (!kept_by_window) GuardedFree(t, owned, kSource);
    if (line_feed) SetCursor(t, t.screen.draw.row + 1, 0);
    start = i + 1;
    if (start > n || text[start] == 0) break;
  }
}

void UpdateRow(Terminal& t, int32_t row, int32_t column, int32_t length, const char* bytes,
               uint8_t attribute) {
  ScreenState& s = t.screen;
  // Host-driven callers can ask for anything: keep every write inside the
  // row and inside the grid as allocated.
  if (s.grid == nullptr || row < 0 || row >= s.rows || column < 0 || column >= s.columns) {
    return;
  }
  if (length > s.columns - column) length = s.columns - column;
  const int64_t offset = int64_t(row) * s.columns + column;
  if (offset + length > GridCells(t)) length = int32_t(GridCells(t) - offset);
  if (length <= 0) return;
  char* cells = s.grid + offset;

  int32_t first = 0;
  int32_t last = length - 1;
  if (row != 0 && !s.cleared) {
    while (first < length && bytes[first] == cells[first]) ++first;
    if (first == length) return;
    while (last > first && bytes[last] == cells[last]) --last;
  }
  std::memcpy(cells + first, bytes + first, size_t(last - first + 1));
  SetCursor(t, row, column + first);
  if (!SetRequestText(t, bytes + first, last - first + 1)) return;
  s.draw.attribute = attribute;
  SendRequest(t, kWmDrawLine);
}

void ClearScreen(Terminal& t) {
  ScreenState& s = t.screen;
  s.cleared = true;
  s.draw.row = 0;
  s.draw.column = 0;
  GuardedFree(t, s.draw.text, kSource);
  s.draw.text = nullptr;
  s.draw.rectangle = t.platform->ClientRect();
  t.platform->EraseClient();
  SetCursor(t, 0, 0);
}

void RepaintScreen(Terminal& t) {
  ScreenState& s = t.screen;
  const ScreenState& f = t.screen;
  ClearScreen(t);
  t.platform->HideCaret();
  const int64_t cells = GridCells(t);
  auto run_end = [&](int32_t k) { return k + 1 < kMaxAttributeRuns ? f.runs[k + 1].start : 0; };
  auto run_attr = [&](int32_t k) { return k < kMaxAttributeRuns ? f.runs[k].attribute : 0; };
  int32_t k = 0;
  for (int32_t r = 0; r < s.rows && s.grid != nullptr; ++r) {
    const int32_t row_start = r * s.columns;
    if (int64_t(row_start) + s.columns > cells) break;
    const char* row = s.grid + row_start;
    if (f.run_count > 1 && run_end(k) < row_start + s.columns) {
      s.run_drawing = true;
      int32_t x = 0;
      while (x < s.columns && k < kMaxAttributeRuns) {
        const int32_t e = run_end(k);
        if (e - row_start >= s.columns || e == 0) break;
        const int32_t piece = e - row_start - x;
        if (piece > 0) {
          DrawAt(t, r, x, piece, row + x, run_attr(k));
          x += piece;
        }
        ++k;
      }
      if (x < s.columns) DrawAt(t, r, x, s.columns - x, row + x, run_attr(k));
    } else {
      s.run_drawing = false;
      DrawAt(t, r, 0, s.columns, row, run_attr(k));
    }
  }
  s.run_drawing = false;
  t.platform->ShowCaret();
}

void ShowStatus(Terminal& t, const char* text) {
  if (t.screen.status_count++ > 2) return;
  MarkFormOverwritten(t);
  DrawLinesCopy(t, 0, 0, text);
}

void DrawDebugLine(Terminal& t, int32_t n, const char* text) {
  if (!t.screen.debugging) return;
  MarkFormOverwritten(t);
  DrawLinesCopy(t, t.screen.rows - n - 2, 0, text);
}

void MarkFormOverwritten(Terminal& t) {
  t.screen.form_overwritten = true;
}

void PlayTune(Terminal& t) {
  for (const Note& note : kTune) t.platform->Beep(note.hz / 2, note.ms);
}

char* GetScreenGrid(Terminal& t) {
  return t.screen.grid;
}
void SetScreenRows(Terminal& t, int32_t rows) {
  t.screen.rows = rows;
}
void SetScreenCols(Terminal& t, int32_t columns) {
  t.screen.columns = columns;
}
void ResetClearedFlag(Terminal& t) {
  t.screen.cleared = false;
}
Form* GetCurrentForm(Terminal& t) {
  return t.screen.current_form;
}
void SetCurrentForm(Terminal& t, Form* form) {
  t.screen.current_form = form;
}
const char* GetVersionText(Terminal&) {
  return "00";
}

void ResizeScreenGrid(Terminal& t) {
  ScreenState& s = t.screen;
  FreeScreenGrid(t);
  const int32_t rows = s.rows > 0 ? s.rows : 0;
  const int32_t columns = s.columns > 0 ? s.columns : 0;
  const int64_t cells = int64_t(rows) * columns;
  if (cells > kMaxGridCells) return;
  s.grid = static_cast<char*>(GuardedAlloc(t, uint32_t(cells) + 1, "MrpDazAre"));
  if (s.grid == nullptr) return;
  std::memset(s.grid, ' ', size_t(cells));
  s.grid[cells] = 0;
  if (cells > 0) s.grid[cells - 1] = 0;
  s.grid_rows = rows;
  s.grid_columns = columns;
}

void FreeScreenGrid(Terminal& t) {
  GuardedFree(t, t.screen.grid, "MrpDazAre");
  t.screen.grid = nullptr;
  t.screen.grid_rows = 0;
  t.screen.grid_columns = 0;
}

void ShowHeapStats(Terminal& t) {
  if (t.alloc.showing_stats) return;
  t.alloc.showing_stats = true;
  char line[64];
  std::snprintf(line, sizeof line, "Al %5ld Fr %5ld", long(t.alloc.allocations),
                long(t.alloc.releases));
  DrawDebugLine(t, 0, line);
  std::snprintf(line, sizeof line, "%5ld Use %5ld Max", long(t.alloc.bytes_in_use),
                long(t.alloc.peak));
  DrawDebugLine(t, 1, line);
  t.alloc.showing_stats = false;
}

}  // namespace marl
