// What the automation commands screen, attrs, grid and state print: text
// views of the window, the terminal's grid and its state.
#pragma once

#include <cstdint>
#include <string>

#include "ui/core/window_model.h"

namespace marl {

struct Terminal;

// "NAME ROWS COLS CURSOR_ROW CURSOR_COL" and one line per row: the cells'
// bytes as a person sees them, or with `attributes` one hexadecimal digit a
// cell (the attribute's low four bits). Every line ends with '\n'.
std::string WindowText(const WindowView& view, const char* name, int32_t cursor_row,
                       int32_t cursor_column, bool attributes);

// The same shape for the terminal's screen grid, named "grid".
std::string GridText(const Terminal& t);

// The cursor `screen` shows: the terminal's, or while the screen setup
// window is open, the caret in its focused field.
void VisibleCursor(const Terminal& t, const WindowView& view, int32_t* row, int32_t* column);

// One line of JSON (no line end) with the terminal's state and its form.
std::string StateJson(const Terminal& t, bool connected);

// A text as a JSON string; bytes outside 0x20 to 0x7E as \u00XX.
std::string JsonString(std::string_view text);

}  // namespace marl
