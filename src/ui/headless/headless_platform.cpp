#include "ui/headless/headless_platform.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "app/main_window.h"
#include "platform/messages.h"
#include "terminal.h"
#include "ui/pixels/glyph_atlas.h"
#include "ui/pixels/png_file.h"

namespace marl {

namespace {

// 100-ns units between 1601-01-01 and 1970-01-01.
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;

// The setup window's client area; its cells are 11 x 13 pixels like the
// main window's.
constexpr int32_t kSetupClientWidth = 300;
constexpr int32_t kSetupClientHeight = 275;

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

HeadlessPlatform::HeadlessPlatform(bool wake_pipe) : handover_(wake_pipe) {
  handover_.set_wake_hook([this] { OnWake(); });
}

HeadlessPlatform::~HeadlessPlatform() = default;

void HeadlessPlatform::KeepPixels(GlyphSource glyphs, int32_t zoom) {
  keeps_pixels_ = true;
  glyph_source_ = std::move(glyphs);
  atlas_ = nullptr;
  zoom_ = zoom;
  main_pixels_.Reset(client_.Width(), client_.Height());
}

void HeadlessPlatform::KeepPixels(std::shared_ptr<const GlyphAtlas> atlas, int32_t zoom) {
  KeepPixels([atlas](std::string*) { return atlas; }, zoom);
}

const GlyphAtlas* HeadlessPlatform::atlas() {
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

bool HeadlessPlatform::DrawText(const TextDraw& draw) {
  const bool setup = draw.window == kSetupWindow;
  if (setup && !setup_open_) return true;
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
  if (draw.row < 0 || draw.row >= rows || r.top >= client.bottom) return true;
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
  return true;
}

void HeadlessPlatform::EraseClient() {
  std::fill(cells_.begin(), cells_.end(), ViewCell());
  main_pixels_.Erase();
}

Rect HeadlessPlatform::ClientRect() {
  return client_;
}

Rect HeadlessPlatform::LayoutWindow(const WindowLayout& layout) {
  // Every cell of the screen is visible, whatever outer size the layout asks.
  rows_ = layout.rows > 0 ? layout.rows : 0;
  columns_ = layout.columns > 0 ? layout.columns : 0;
  if (int64_t(rows_) * columns_ > (1 << 22)) rows_ = columns_ = 0;
  cells_.assign(size_t(rows_) * size_t(columns_), ViewCell());
  client_ = {0, 0, columns_ * 11, rows_ * 13};
  if (keeps_pixels_) main_pixels_.Reset(client_.Width(), client_.Height());
  return client_;
}

void HeadlessPlatform::DisplaySize(int32_t* width, int32_t* height) {
  *width = display_width_;
  *height = display_height_;
}

void HeadlessPlatform::CreateCaret(int32_t width, int32_t height) {
  caret_width_ = width;
  caret_height_ = height;
}

void HeadlessPlatform::SetCaretPos(int32_t x, int32_t y) {
  caret_x_ = x;
  caret_y_ = y;
}

MessageBoxAnswer HeadlessPlatform::MessageBox(const char* caption, std::string_view text,
                                              MessageBoxButtons buttons) {
  const MessageBoxAnswer answer =
      buttons == MessageBoxButtons::kOk ? MessageBoxAnswer::kOk : answer_;
  RecordMessageBox(caption, text, buttons, answer);
  return answer;
}

void HeadlessPlatform::RecordMessageBox(const char* caption, std::string_view text,
                                        MessageBoxButtons buttons, MessageBoxAnswer answer) {
  Record("msgbox " + Quote(caption ? caption : "") + " " + Quote(text) +
         (buttons == MessageBoxButtons::kOk ? " ok" : " okcancel") +
         (answer == MessageBoxAnswer::kOk ? " ok" : " cancel"));
}

int32_t HeadlessPlatform::CreateEditField(const EditFieldSpec& spec) {
  const int32_t id = next_edit_id_++;
  edit_fields_[id].spec = spec;
  return id;
}

std::string HeadlessPlatform::EditFieldText(int32_t id) {
  auto it = edit_fields_.find(id);
  return it == edit_fields_.end() ? std::string() : it->second.spec.text;
}

void HeadlessPlatform::SetEditFieldText(int32_t id, std::string_view text) {
  auto it = edit_fields_.find(id);
  if (it != edit_fields_.end()) it->second.spec.text = std::string(text);
}

void HeadlessPlatform::FocusEditField(int32_t id) {
  for (auto& [key, field] : edit_fields_) field.focused = key == id;
}

void HeadlessPlatform::DestroyEditField(int32_t id) {
  edit_fields_.erase(id);
}

void HeadlessPlatform::TypeIntoEditField(char c) {
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
    if (int32_t(text.size()) >= field.spec.rect.Width() / 11) return;
    text.push_back(c);
    return;
  }
}

bool HeadlessPlatform::CreateSetupWindow(const Rect&) {
  if (setup_open_) return false;
  setup_open_ = true;
  setup_client_ = {0, 0, kSetupClientWidth, kSetupClientHeight};
  setup_columns_ = kSetupClientWidth / 11;
  setup_rows_ = kSetupClientHeight / 13;
  setup_cells_.assign(size_t(setup_rows_) * size_t(setup_columns_), ViewCell());
  if (keeps_pixels_) setup_pixels_.Reset(kSetupClientWidth, kSetupClientHeight);
  return true;
}

bool HeadlessPlatform::DestroySetupWindow() {
  if (!setup_open_) return false;
  setup_open_ = false;
  setup_cells_.clear();
  setup_pixels_.Clear();
  return true;
}

bool HeadlessPlatform::RunNestedLoop(const std::function<bool()>& done) {
  if (!nested_loop_) return false;
  return nested_loop_(done);
}

WindowView HeadlessPlatform::VisibleWindow() const {
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
    const int32_t row = r.top / 13;
    const int32_t first = r.left / 11;
    const int32_t width = r.Width() / 11;
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

intptr_t HeadlessPlatform::SendMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  if (terminal_ == nullptr) return 0;
  return MainWindowProc(*terminal_, message, wparam, lparam);
}

void HeadlessPlatform::HandOverHostData(const char* bytes, int32_t length) {
  handover_.HandOver(bytes, length);
}

void HeadlessPlatform::HostClosed() {
  handover_.Close();
}

int HeadlessPlatform::PumpHostData(int32_t timeout_ms) {
  int handled = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const char* bytes = nullptr;
    int32_t length = 0;
    if (handover_.Take(&bytes, &length)) {
      // The receive thread waits until Done, so the bytes stay valid while
      // the window procedure runs.
      SendMessage(kWmHostData, uintptr_t(length), reinterpret_cast<intptr_t>(bytes));
      handover_.Done();
      ++handled;
      ++chunks_handled_;
      continue;
    }
    if (handled > 0 || handover_.closed() || handover_.stopped()) return handled;
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return handled;
    handover_.Wait(-1, int32_t(left.count()));
  }
}

void HeadlessPlatform::PumpEvents(int32_t ms) {
  // With the connection gone nothing will come: the time just passes.
  if (host_closed()) {
    PumpHostData(0);
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return;
  }
  PumpHostData(ms);
}

bool HeadlessPlatform::WaitForInput(int input) {
  // Input and host data together, as a window's message loop would wait:
  // the host is never kept waiting on an idle script.
  return handover_.Wait(input, -1);
}

Picture HeadlessPlatform::VisiblePicture(bool caret_on) {
  return setup_open_ ? SetupPicture(caret_on) : MainPicture(caret_on);
}

Picture HeadlessPlatform::MainPicture(bool caret_on) {
  const GlyphAtlas* glyphs = atlas();
  if (glyphs == nullptr) return Picture();
  Picture p = main_pixels_.Painted(*glyphs);
  if (caret_on && caret_visible_) {
    p.Invert({caret_x_, caret_y_, caret_x_ + caret_width_, caret_y_ + caret_height_});
  }
  return p;
}

Picture HeadlessPlatform::SetupPicture(bool caret_on) {
  const GlyphAtlas* glyphs = atlas();
  if (glyphs == nullptr) return Picture();
  Picture p = setup_pixels_.Painted(*glyphs);
  for (const auto& [id, field] : edit_fields_) {
    PaintEditField(p, *glyphs, field.spec.rect, field.spec.text, caret_on && field.focused);
  }
  return p;
}

std::string HeadlessPlatform::Snapshot(const std::string& path) {
  if (atlas() == nullptr) return pixels_unavailable_;
  return WritePng(path, VisiblePicture(true).Scaled(zoom_));
}

void HeadlessPlatform::Beep(int32_t hz, int32_t ms) {
  Record("beep " + std::to_string(hz) + " " + std::to_string(ms));
  if (real_time_ && ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void HeadlessPlatform::Sleep(int32_t ms) {
  Record("sleep " + std::to_string(ms));
  if (real_time_ && ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

uint64_t HeadlessPlatform::Now() {
  if (fixed_now_) return *fixed_now_;
  const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  return kUnixEpochAsFileTime +
         uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(since_epoch).count()) * 10;
}

void HeadlessPlatform::Quit(int exit_code) {
  Record("quit");
  quit_requested_ = true;
  exit_code_ = exit_code;
}

void HeadlessPlatform::WriteStdout(std::string_view text) {
  Record("print " + Quote(text));
}

std::string HeadlessPlatform::RowText(int32_t row) const {
  return PrintableRow(cells_, row, columns_);
}

std::vector<std::string> HeadlessPlatform::TakeEvents() {
  std::vector<std::string> taken;
  taken.swap(events_);
  return taken;
}

void HeadlessPlatform::NoteSend(std::string_view bytes) {
  Record("send " + Quote(bytes));
}

std::string HeadlessPlatform::Quote(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c >= 0x20 && c <= 0x7E) {
          out.push_back(char(c));
        } else {
          char hex[8];
          std::snprintf(hex, sizeof hex, "\\x%02X", c);
          out += hex;
        }
    }
  }
  out += "\"";
  return out;
}

}  // namespace marl
