#include "ui/core/window_model.h"

#include <algorithm>

#include "ui/pixels/glyph_atlas.h"

namespace marl {

namespace {

// The setup window's client area; its cells are as large as the main
// window's.
constexpr int32_t kSetupClientWidth = 300;
constexpr int32_t kSetupClientHeight = 275;
// More cells than any screen the host can ask for.
constexpr int64_t kMaxCells = int64_t(1) << 22;

std::string PrintableRow(const std::vector<ViewCell>& cells, int32_t row, int32_t columns) {
  std::string text;
  text.reserve(size_t(columns));
  for (int32_t c = 0; c < columns; ++c) {
    const char b = cells[size_t(row) * size_t(columns) + size_t(c)].byte;
    text.push_back(b >= 0x20 && b <= 0x7E ? b : '.');
  }
  return text;
}

}  // namespace

std::string WindowView::RowText(int32_t row) const {
  return PrintableRow(cells, row, columns);
}

std::string WindowModel::RowText(int32_t row) const {
  return PrintableRow(cells_, row, columns_);
}

void WindowModel::KeepPixels(GlyphSource glyphs, int32_t zoom) {
  keeps_pixels_ = true;
  glyph_source_ = std::move(glyphs);
  atlas_ = nullptr;
  zoom_ = zoom;
  main_pixels_.Reset(client_.Width(), client_.Height());
}

const GlyphAtlas* WindowModel::atlas() {
  if (atlas_ != nullptr || !keeps_pixels_) return atlas_.get();
  std::string error = "no glyphs";
  if (glyph_source_) atlas_ = glyph_source_(&error);
  glyph_source_ = nullptr;
  if (atlas_ == nullptr) {
    keeps_pixels_ = false;
    pixels_unavailable_ = "no snapshots: " + error;
    main_pixels_.Clear();
    setup_pixels_.Clear();
  }
  return atlas_.get();
}

void WindowModel::Draw(const TextDraw& draw) {
  const bool setup = draw.window == kSetupWindow;
  if (setup && !setup_open_) return;
  if (keeps_pixels_) {
    LazyPicture& pixels = setup ? setup_pixels_ : main_pixels_;
    // A window drawn over and over without an erase: what waits is painted.
    if (pixels.full() && atlas() != nullptr) pixels.Painted(*atlas_);
    pixels.Draw(draw);
  }
  const Rect& client = setup ? setup_client_ : client_;
  const int32_t rows = setup ? setup_rows_ : rows_;
  const int32_t columns = setup ? setup_columns_ : columns_;
  std::vector<ViewCell>& cells = setup ? setup_cells_ : cells_;
  const Rect& r = draw.rect;
  if (draw.row < 0 || draw.row >= rows || r.top >= client.bottom) return;
  // A glyph shows while any of it lies inside the rectangle: the cells from
  // the first on the window to the first that starts at the right edge.
  const int64_t right = std::min<int64_t>(r.right, client.right);
  int64_t end = int64_t(draw.text.size());
  if (r.left >= right) {
    end = 0;
  } else if (draw.cell_width > 0) {
    end = std::min(end, (right - r.left + draw.cell_width - 1) / draw.cell_width);
  }
  end = std::min(end, int64_t(columns) - draw.column);
  const int64_t begin = std::max<int64_t>(0, -int64_t(draw.column));
  uint8_t attribute = draw.reverse ? 0x01 : 0x00;
  if (draw.font == CellFont::kUnderlined || draw.font == CellFont::kBoldUnderlined) {
    attribute |= 0x02;
  }
  if (draw.font == CellFont::kBold || draw.font == CellFont::kBoldUnderlined) attribute |= 0x08;
  ViewCell* row = cells.data() + size_t(draw.row) * size_t(columns);
  for (int64_t i = begin; i < end; ++i) {
    row[draw.column + i] = ViewCell{draw.text[size_t(i)], attribute};
  }
}

void WindowModel::Erase() {
  std::fill(cells_.begin(), cells_.end(), ViewCell());
  main_pixels_.Erase();
}

Rect WindowModel::Layout(const WindowLayout& layout) {
  rows_ = layout.rows > 0 ? layout.rows : 0;
  columns_ = layout.columns > 0 ? layout.columns : 0;
  if (int64_t(rows_) * columns_ > kMaxCells) rows_ = columns_ = 0;
  cells_.assign(size_t(rows_) * size_t(columns_), ViewCell());
  client_ = {0, 0, columns_ * kCellWidth, rows_ * kRowHeight};
  if (keeps_pixels_) main_pixels_.Reset(client_.Width(), client_.Height());
  return client_;
}

void WindowModel::CreateCaret(int32_t width, int32_t height) {
  caret_width_ = width;
  caret_height_ = height;
}

void WindowModel::SetCaretPos(int32_t x, int32_t y) {
  caret_x_ = x;
  caret_y_ = y;
}

int32_t WindowModel::CreateEditField(const EditFieldSpec& spec) {
  const int32_t id = next_edit_id_++;
  edit_fields_[id].spec = spec;
  return id;
}

std::string WindowModel::EditFieldText(int32_t id) const {
  auto it = edit_fields_.find(id);
  return it == edit_fields_.end() ? std::string() : it->second.spec.text;
}

void WindowModel::SetEditFieldText(int32_t id, std::string_view text) {
  auto it = edit_fields_.find(id);
  if (it != edit_fields_.end()) it->second.spec.text = std::string(text);
}

void WindowModel::FocusEditField(int32_t id) {
  for (auto& [key, field] : edit_fields_) field.focused = key == id;
}

void WindowModel::DestroyEditField(int32_t id) {
  edit_fields_.erase(id);
}

void WindowModel::TypeIntoEditField(char c) {
  for (auto& [id, field] : edit_fields_) {
    if (!field.focused) continue;
    std::string& text = field.spec.text;
    if (c == '\b') {
      if (!text.empty()) text.pop_back();
      return;
    }
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return;
    if (field.spec.digits_only && (c < '0' || c > '9')) return;
    if (int32_t(text.size()) >= field.spec.rect.Width() / kCellWidth) return;
    text.push_back(c);
    return;
  }
}

bool WindowModel::OpenSetupWindow() {
  if (setup_open_) return false;
  setup_open_ = true;
  setup_client_ = {0, 0, kSetupClientWidth, kSetupClientHeight};
  setup_columns_ = kSetupClientWidth / kCellWidth;
  setup_rows_ = kSetupClientHeight / kRowHeight;
  setup_cells_.assign(size_t(setup_rows_) * size_t(setup_columns_), ViewCell());
  if (keeps_pixels_) setup_pixels_.Reset(kSetupClientWidth, kSetupClientHeight);
  return true;
}

bool WindowModel::CloseSetupWindow() {
  if (!setup_open_) return false;
  setup_open_ = false;
  setup_cells_.clear();
  setup_pixels_.Clear();
  return true;
}

WindowView WindowModel::Visible() const {
  WindowView view;
  if (!setup_open_) {
    view.rows = rows_;
    view.columns = columns_;
    view.cells = cells_;
    return view;
  }
  view.rows = setup_rows_;
  view.columns = setup_columns_;
  view.cells = setup_cells_;
  // An edit field paints its own text over the window, left-aligned in its
  // box and cut at the box's edge.
  for (const auto& [id, field] : edit_fields_) {
    const Rect& r = field.spec.rect;
    const int32_t row = r.top / kRowHeight;
    const int32_t first = r.left / kCellWidth;
    const int32_t width = r.Width() / kCellWidth;
    if (field.focused) {
      // The caret stands after the text, in the field's last cell at most.
      const int32_t typed = std::min(int32_t(field.spec.text.size()), width - 1);
      view.field_row = row;
      view.field_column = first + std::max(typed, 0);
    }
    if (row < 0 || row >= view.rows) continue;
    for (int32_t i = 0; i < width && first + i < view.columns; ++i) {
      if (first + i < 0) continue;
      ViewCell& c = view.cells[size_t(row) * size_t(view.columns) + size_t(first + i)];
      c.byte = i < int32_t(field.spec.text.size()) ? field.spec.text[size_t(i)] : ' ';
      c.attribute = 0;
    }
  }
  return view;
}

bool WindowModel::Shows(const std::string& text) const {
  if (text.empty()) return true;
  if (!setup_open_) {
    // The main window's rows are read in place, into one buffer: a load run
    // asks this of every terminal after every chunk.
    std::string row;
    row.reserve(size_t(columns_));
    for (int32_t r = 0; r < rows_; ++r) {
      row.clear();
      const ViewCell* cell = cells_.data() + size_t(r) * size_t(columns_);
      for (int32_t c = 0; c < columns_; ++c) {
        const char b = cell[c].byte;
        row.push_back(b >= 0x20 && b <= 0x7E ? b : '.');
      }
      if (row.find(text) != std::string::npos) return true;
    }
    return false;
  }
  const WindowView view = Visible();
  for (int32_t r = 0; r < view.rows; ++r) {
    if (view.RowText(r).find(text) != std::string::npos) return true;
  }
  return false;
}

Picture WindowModel::MainPicture(bool caret_on) {
  const GlyphAtlas* glyphs = atlas();
  if (glyphs == nullptr) return Picture();
  Picture p = main_pixels_.Painted(*glyphs);
  if (caret_on && caret_visible_) {
    p.Invert({caret_x_, caret_y_, caret_x_ + caret_width_, caret_y_ + caret_height_});
  }
  return p;
}

Picture WindowModel::SetupPicture(bool caret_on) {
  const GlyphAtlas* glyphs = atlas();
  if (glyphs == nullptr) return Picture();
  Picture p = setup_pixels_.Painted(*glyphs);
  for (const auto& [id, field] : edit_fields_) {
    PaintEditField(p, *glyphs, field.spec.rect, field.spec.text, caret_on && field.focused);
  }
  return p;
}

}  // namespace marl
