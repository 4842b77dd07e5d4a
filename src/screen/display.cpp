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
  GuardedFree(t, q.text, __LINE__, kSource);  // never set here; a stray one would leak
  q.text = static_cast<char*>(GuardedCalloc(t, uint32_t(length) + 1, 1, __LINE__, kSource));
  if (q.text == nullptr) return false;
  if (length > 0) std::memcpy(q.text, bytes, size_t(length));
  q.length = length;
  return true;
}

void SendRequest(Terminal& t, uint32_t message) {
  t.platform->SendMessage(message, reinterpret_cast<uintptr_t>(&t.screen.draw), 0);
}

}  // namespace

int DrawLinesCopy(Terminal& t, int32_t row, int32_t column, const char* text) {
  char* copy = GuardedCopy(t, text, -1, __LINE__, kSource);
  if (copy == nullptr) return 0;
  DrawLines(t, row, column, copy);
  GuardedFree(t, copy, __LINE__, kSource);
  return 0;
}

int SetCursor(Terminal& t, int32_t row, int32_t column) {
  ScreenState& s = t.screen;
  if (column < 0) column = 0;
  if (column > s.columns) column = s.columns;
  if (row < 0) row = 0;
  if (row > s.rows) row = s.rows;
  s.draw.row = row;
  s.draw.column = column;
  t.platform->SetCaretPos(s.cell_width * column, kRowHeight * row);
  s.cell_width = kCellWidth;
  return 0;
}

int DrawAt(Terminal& t, int32_t row, int32_t column, int32_t length, const char* bytes,
           uint8_t attribute) {
  SetCursor(t, row, column);
  if (length < 0) length = 0;
  if (!SetRequestText(t, bytes, length)) return 0;
  t.screen.draw.attribute = attribute;
  SendRequest(t, kWmDrawLine);
  return 0;
}

int DrawLines(Terminal& t, int32_t row, int32_t column, char* text) {
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
    if (!SetRequestText(t, text + start, i - start)) return 0;
    char* owned = t.screen.draw.text;
    const bool kept_by_window = t.screen.draw.length > 1;
    SendRequest(t, kWmDrawText);
    // The window leaves a one-character text to its owner; that is us here.
    if (!kept_by_window) GuardedFree(t, owned, __LINE__, kSource);
    if (line_feed) SetCursor(t, t.screen.draw.row + 1, 0);
    start = i + 1;
    if (start > n || text[start] == 0) break;
  }
  return 0;
}

int UpdateRow(Terminal& t, int32_t row, int32_t column, int32_t length, const char* bytes,
              uint8_t attribute) {
  ScreenState& s = t.screen;
  // Host-driven callers can ask for anything: keep every write inside the
  // row and inside the grid as allocated.
  if (s.grid == nullptr || row < 0 || row >= s.rows || column < 0 || column >= s.columns) {
    return 0;
  }
  if (length > s.columns - column) length = s.columns - column;
  const int64_t offset = int64_t(row) * s.columns + column;
  if (offset + length > GridCells(t)) length = int32_t(GridCells(t) - offset);
  if (length <= 0) return 0;
  char* cells = s.grid + offset;

  int32_t first = 0;
  int32_t last = length - 1;
  if (row != 0 && s.cleared == 0) {
    while (first < length && bytes[first] == cells[first]) ++first;
    if (first == length) return 0;
    while (last > first && bytes[last] == cells[last]) --last;
  }
  std::memcpy(cells + first, bytes + first, size_t(last - first + 1));
  SetCursor(t, row, column + first);
  if (!SetRequestText(t, bytes + first, last - first + 1)) return 0;
  s.draw.attribute = attribute;
  SendRequest(t, kWmDrawLine);
  return 0;
}

int ClearScreen(Terminal& t) {
  ScreenState& s = t.screen;
  s.cleared = 1;
  s.draw.row = 0;
  s.draw.column = 0;
  GuardedFree(t, s.draw.text, __LINE__, kSource);
  s.draw.text = nullptr;
  s.draw.rectangle = t.platform->ClientRect();
  t.platform->EraseClient();
  SetCursor(t, 0, 0);
  return 0;
}

int RepaintScreen(Terminal& t) {
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
      s.run_drawing = 1;
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
      s.run_drawing = 0;
      DrawAt(t, r, 0, s.columns, row, run_attr(k));
    }
  }
  s.run_drawing = 0;
  t.platform->ShowCaret();
  return 0;
}

int ShowStatus(Terminal& t, const char* text) {
  if (t.screen.status_count++ > 2) return 1;
  MarkFormOverwritten(t);
  return DrawLinesCopy(t, 0, 0, text);
}

int DrawDebugLine(Terminal& t, int32_t n, const char* text) {
  if (!t.screen.debugging) return 0;
  MarkFormOverwritten(t);
  return DrawLinesCopy(t, t.screen.rows - n - 2, 0, text);
}

int MarkFormOverwritten(Terminal& t) {
  t.screen.form_overwritten = 1;
  return 1;
}

int PlayTune(Terminal& t) {
  for (const Note& note : kTune) t.platform->Beep(note.hz / 2, note.ms);
  return 0;
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
  t.screen.cleared = 0;
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
  s.grid = static_cast<char*>(GuardedAlloc(t, uint32_t(cells) + 1, __LINE__, "MrpDazAre"));
  if (s.grid == nullptr) return;
  std::memset(s.grid, ' ', size_t(cells));
  s.grid[cells] = 0;
  if (cells > 0) s.grid[cells - 1] = 0;
  s.grid_rows = rows;
  s.grid_columns = columns;
}

void FreeScreenGrid(Terminal& t) {
  GuardedFree(t, t.screen.grid, __LINE__, "MrpDazAre");
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
