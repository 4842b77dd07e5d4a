#include "forms/form_display.h"

#include <cstdio>
#include <cstring>

#include "base/session.h"
#include "base/terminal_config.h"
#include "forms/form.h"
#include "link/ping.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr int32_t kBlankSource = 86;
constexpr char kBlanks[kBlankSource + 1] =
    "                                                                                      ";

// Blank rows are drawn from an 86-blank source: a wider screen gets them in
// several pieces, so the source is never read past its end.
void DrawBlankRow(Terminal& t, int32_t row, int32_t width) {
  int32_t x = 0;
  do {
    const int32_t piece = width - x < kBlankSource ? width - x : kBlankSource;
    DrawAt(t, row, x, piece, kBlanks, 0);
    x += piece;
  } while (x < width);
}

// Draws the part of a text row's piece [x, x + length) that lies within the
// visible width.
void DrawPiece(Terminal& t, int32_t row, int32_t x, int32_t length, const char* text,
               int32_t visible, uint8_t attribute) {
  if (x >= visible) return;
  if (length > visible - x) length = visible - x;
  DrawAt(t, row, x, length, text + x, attribute);
}

}  // namespace

void DrawForm(Terminal& t, Form* form) {
  if (form == nullptr) return;
  const int32_t response_ms = ResponseTimeMs(t);
  const FormsState& s = t.forms;
  const ScreenState& screen = t.screen;
  const int32_t columns = form->column_count > 0 ? form->column_count : 1;
  const int32_t terminal_columns = s.terminal_columns;
  const int32_t visible =
      terminal_columns > 0 && terminal_columns < columns ? terminal_columns : columns;
  int32_t drawable = form->capacity / visible;
  if (drawable > form->row_count) drawable = form->row_count;
  t.platform->HideCaret();

  const auto run_end = [&](int32_t k) {
    return k + 1 < kMaxAttributeRuns ? screen.runs[k + 1].start : 0;
  };
  const auto run_attribute = [&](int32_t k) {
    return k < kMaxAttributeRuns ? screen.runs[k].attribute : uint8_t(0);
  };
  int32_t k = 0;
  int32_t r = 0;
  for (; r < s.terminal_rows && r < drawable; ++r) {
    const int64_t text_row = int64_t(form->top_row) + r;
    const int64_t row_start = text_row * columns;
    // A row that is not wholly inside the text shows blank, never what
    // lies past the text's end.
    if (text_row < 0 || text_row >= form->row_count || row_start >= form->capacity) {
      DrawBlankRow(t, r, visible);
      continue;
    }
    const char* row = form->form_text + row_start;
    // A last row that padding could not fill ends at the text's zero byte;
    // nothing is read past the text's storage.
    const int64_t stored = form->capacity - row_start;
    const int32_t shown = stored < visible ? int32_t(stored) : visible;
    if (screen.run_count > 1 && run_end(k) < row_start + columns) {
      t.screen.run_drawing = true;
      int32_t x = 0;
      while (x < columns && k < kMaxAttributeRuns) {
        const int64_t e = run_end(k);
        if (e - row_start >= columns || e == 0) break;
        const int64_t piece = e - row_start - x;
        if (piece > 0) {
          DrawPiece(t, r, x, int32_t(piece), row, shown, run_attribute(k));
          x += int32_t(piece);
        }
        ++k;
      }
      if (x < columns) DrawPiece(t, r, x, columns - x, row, shown, run_attribute(k));
    } else {
      t.screen.run_drawing = false;
      DrawAt(t, r, 0, shown, row, run_attribute(k));
    }
  }
  for (; r < s.terminal_rows; ++r) DrawBlankRow(t, r, visible);

  ResetClearedFlag(t);
  if (t.screen.timing) {
    char line[32];
    std::snprintf(line, sizeof line, "Rsp %ldms", long(response_ms));
    DrawLines(t, 0, 0, line);
  }
  if ((form->options & kOptionClearModified) && form->form_id >= 0 && form->fields != nullptr) {
    for (int32_t i = 0; i < form->field_count; ++i) form->fields[i].modified = 0;
  }
  PlaceFormCursor(t, form);
  t.platform->ShowCaret();
}

void ShowForm(Terminal& t, Form* form) {
  if (form == nullptr) return;
  if (!t.session.auto_mode) {
    if (form->show_beep) t.platform->Beep(1000, Config(t).beep_duration);
    // Once anything has been drawn over a form screen, every form from then
    // on starts from a cleared screen.
    if (t.screen.form_overwritten) ClearScreen(t);
  }
  DrawForm(t, form);
  if (t.hooks.form_shown != nullptr) t.hooks.form_shown(t, form);
}

int32_t ScrollFormTo(Terminal& t, Form* form, int32_t row) {
  if (form == nullptr) return row;
  const int32_t rows = t.forms.terminal_rows > 0 ? t.forms.terminal_rows : 1;
  bool changed = false;
  if (row < form->top_row) {
    // Never above the text's first row; and only a real move redraws, since
    // drawing places the cursor, which scrolls again.
    const int32_t top = row > 0 ? row : 0;
    changed = top != form->top_row;
    form->top_row = top;
  }
  if (row >= form->top_row + rows && row < form->row_count) {
    form->top_row = row - rows + 1;
    DrawForm(t, form);
    return row - form->top_row;
  }
  if (changed) DrawForm(t, form);
  return row - form->top_row;
}

void PlaceFormCursor(Terminal& t, Form* form) {
  if (form == nullptr) return;
  int32_t row = 0;
  int32_t column = 0;
  if (form->fields != nullptr && form->current_field >= 0 &&
      form->current_field < form->field_count) {
    const FormField& field = form->fields[form->current_field];
    row = field.row;
    column = field.column + form->cursor;
    if (field.attribute & 0x0D) t.screen.cell_width = kNarrowCellWidth;
  }
  if (form->column_count > 0) {
    while (column >= form->column_count && row < form->row_count) {
      column -= form->column_count;
      row++;
    }
  }
  if (!IsWaitingForHost(t) && form->current_field < form->field_count) {
    SetCursor(t, ScrollFormTo(t, form, row), column);
  } else {
    SetCursor(t, 0, 0);
  }
}

}  // namespace marl
