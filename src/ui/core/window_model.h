// The windows as a person sees them, kept by the core for every front end:
// the main window's cells (a byte and its attribute each), its caret, the
// screen setup window's cells and edit fields, and, when asked for, their
// pixels. A front end shows this model; it keeps no copy of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "screen/screen_state.h"
#include "ui/pixels/cell_canvas.h"
#include "ui/pixels/lazy_picture.h"

namespace marl {

class GlyphAtlas;

struct ViewCell {
  char byte = ' ';
  uint8_t attribute = 0;
};

// A window's cells at one moment. While the screen setup window is shown,
// `field_row` and `field_column` are the caret's cell in its focused field
// (-1 otherwise).
struct WindowView {
  int32_t rows = 0;
  int32_t columns = 0;
  std::vector<ViewCell> cells;
  int32_t field_row = -1;
  int32_t field_column = -1;
  const ViewCell& at(int32_t row, int32_t column) const {
    return cells[size_t(row) * size_t(columns) + size_t(column)];
  }
  // One row: bytes 0x20 to 0x7E as themselves, any other as '.'.
  std::string RowText(int32_t row) const;
};

struct EditField {
  EditFieldSpec spec;
  bool focused = false;
};

class WindowModel {
 public:
  // Finds the glyphs; null with `error` set when there are none.
  using GlyphSource = std::function<std::shared_ptr<const GlyphAtlas>(std::string* error)>;

  void Draw(const TextDraw& draw);
  void Erase();
  // Every cell of the screen is visible, whatever outer size the layout asks.
  Rect Layout(const WindowLayout& layout);
  const Rect& client() const { return client_; }

  void CreateCaret(int32_t width, int32_t height);
  void SetCaretPos(int32_t x, int32_t y);
  void ShowCaret(bool shown) { caret_visible_ = shown; }
  int32_t caret_x() const { return caret_x_; }
  int32_t caret_y() const { return caret_y_; }
  bool caret_visible() const { return caret_visible_; }

  int32_t CreateEditField(const EditFieldSpec& spec);
  std::string EditFieldText(int32_t id) const;
  void SetEditFieldText(int32_t id, std::string_view text);
  void FocusEditField(int32_t id);
  void DestroyEditField(int32_t id);
  const std::map<int32_t, EditField>& edit_fields() const { return edit_fields_; }
  // A character typed into the focused edit field, as the native control
  // takes it: Backspace takes the last character off, a digits-only field
  // refuses other characters, and a field holds as many characters as its
  // width has cells.
  void TypeIntoEditField(char c);

  bool OpenSetupWindow();
  bool CloseSetupWindow();
  bool setup_window_open() const { return setup_open_; }

  // The main window's cells.
  int32_t rows() const { return rows_; }
  int32_t columns() const { return columns_; }
  const ViewCell& cell(int32_t row, int32_t column) const {
    return cells_[size_t(row) * size_t(columns_) + size_t(column)];
  }
  std::string RowText(int32_t row) const;
  // What a person sees: the screen setup window while it is open (its
  // labels, and each field's text at its place), else the main window.
  WindowView Visible() const;
  // Whether `text` stands on a row of the visible window; "" always does.
  bool Shows(const std::string& text) const;

  // Pixels: see CorePlatform::KeepPixels.
  void KeepPixels(GlyphSource glyphs, int32_t zoom);
  bool keeps_pixels() const { return keeps_pixels_; }
  int32_t zoom() const { return zoom_; }
  // The glyphs, found on first use; null when there are none, and the
  // pixels are then no longer kept.
  const GlyphAtlas* atlas();
  const std::string& pixels_unavailable() const { return pixels_unavailable_; }
  Picture MainPicture(bool caret_on);
  Picture SetupPicture(bool caret_on);

 private:
  int32_t rows_ = 0;
  int32_t columns_ = 0;
  std::vector<ViewCell> cells_;
  Rect client_;
  int32_t caret_x_ = 0;
  int32_t caret_y_ = 0;
  bool caret_visible_ = false;
  int32_t caret_width_ = 0;
  int32_t caret_height_ = 0;
  bool keeps_pixels_ = false;
  GlyphSource glyph_source_;
  std::shared_ptr<const GlyphAtlas> atlas_;
  int32_t zoom_ = 1;
  std::string pixels_unavailable_ = "this front end keeps no pixels";
  // Painted when a picture is asked for.
  LazyPicture main_pixels_;
  LazyPicture setup_pixels_;
  std::map<int32_t, EditField> edit_fields_;
  int32_t next_edit_id_ = 1;
  bool setup_open_ = false;
  Rect setup_client_;
  int32_t setup_rows_ = 0;
  int32_t setup_columns_ = 0;
  std::vector<ViewCell> setup_cells_;
};

}  // namespace marl
