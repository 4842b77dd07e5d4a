// Drawing the model of the windows into the text terminal: the main window's
// cells in a box at the top left, one text cell per terminal cell, the
// screen setup window, a message box or the help over it, and the status
// line under the box.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "ui/core/window_model.h"

namespace marl {

// The cells of the setup window's edit fields, which it shows as boxes.
struct TuiFieldBox {
  int32_t row = 0;
  int32_t column = 0;
  int32_t width = 0;
  bool focused = false;
};

struct TuiMessageBox {
  std::string caption;
  std::string text;
  bool ok_cancel = false;
};

struct TuiView {
  int32_t rows = 0;  // the main window's cells
  int32_t columns = 0;
  std::function<const ViewCell&(int32_t row, int32_t column)> cell;
  const WindowView* setup = nullptr;  // null while the setup window is closed
  std::vector<TuiFieldBox> fields;
  bool caret_visible = false;
  int32_t caret_row = 0;
  int32_t caret_column = 0;
  const TuiMessageBox* box = nullptr;
  const std::vector<std::string>* help = nullptr;
  std::string status;
};

// Where the main window's cells start on the text terminal.
constexpr int32_t kScreenTop = 1;
constexpr int32_t kScreenLeft = 1;

// Draws `view` on a terminal of `rows` x `columns` (curses' screen) and
// shows it. `unicode` says whether characters beyond ASCII can be shown.
void RenderView(const TuiView& view, bool unicode);

// What the status line says about a terminal too small for the screen; ""
// when everything fits.
std::string ClipNotice(int32_t screen_rows, int32_t screen_columns, int32_t rows, int32_t columns);

}  // namespace marl
