#include "ui/tui/tui_platform.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "app/main_window.h"
#include "platform/messages.h"
#include "ui/tui/tui_screen.h"

namespace marl {

namespace {

constexpr int32_t kCellWidth = 11;
constexpr int32_t kRowHeight = 13;
// The setup window's client area, as the desktop window has it.
constexpr int32_t kSetupClientWidth = 300;
constexpr int32_t kSetupClientHeight = 275;
// No screen is ever larger; a bigger layout shows no cells.
constexpr int64_t kMaxCells = 1 << 22;
// A beep holds the program as long as it sounds, but no longer than this.
constexpr int32_t kLongestBeepMs = 1000;
constexpr size_t kMaxPrinted = 1 << 16;
// 100-ns units between 1601-01-01 and 1970-01-01.
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;

uint8_t AttributeOf(const TextDraw& draw) {
  uint8_t attribute = draw.reverse ? 0x01 : 0x00;
  if (draw.font == CellFont::kUnderlined || draw.font == CellFont::kBoldUnderlined) {
    attribute |= 0x02;
  }
  if (draw.font == CellFont::kBold || draw.font == CellFont::kBoldUnderlined) attribute |= 0x08;
  return attribute;
}

}  // namespace

TuiPlatform::TuiPlatform(TuiScreen* screen) : screen_(screen), help_lines_(HelpLines()) {}

bool TuiPlatform::DrawText(const TextDraw& draw) {
  const bool setup = draw.window == kSetupWindow;
  if (setup && !setup_open_) return true;
  TuiGrid& grid = setup ? setup_ : main_;
  const Rect& client = setup ? setup_client_ : client_;
  const Rect& r = draw.rect;
  if (r.top < 0 || r.top >= client.bottom) return true;
  const int32_t row = r.top / kRowHeight;
  if (row >= grid.rows) return true;
  const int32_t width = draw.cell_width > 0 ? draw.cell_width : kCellWidth;
  const uint8_t attribute = AttributeOf(draw);
  for (size_t i = 0; i < draw.text.size(); ++i) {
    // A glyph shows while any of it lies inside the rectangle, in the cell
    // that holds its middle: narrow bold glyphs drift left of the grid's
    // columns exactly as they do in the desktop window.
    const int64_t x = int64_t(r.left) + int64_t(i) * width;
    if (x >= r.right || x >= client.right) break;
    if (x < 0) continue;
    const int64_t column = (x + width / 2) / kCellWidth;
    if (column >= grid.columns) break;
    grid.at(row, int32_t(column)) = {static_cast<uint8_t>(draw.text[i]), attribute};
  }
  return true;
}

void TuiPlatform::EraseClient() {
  main_.Clear();
}

Rect TuiPlatform::LayoutWindow(const WindowLayout& layout) {
  int32_t rows = layout.rows > 0 ? layout.rows : 0;
  int32_t columns = layout.columns > 0 ? layout.columns : 0;
  if (int64_t(rows) * columns > kMaxCells) rows = columns = 0;
  main_.Resize(rows, columns);
  client_ = {0, 0, columns * kCellWidth, rows * kRowHeight};
  return client_;
}

void TuiPlatform::DisplaySize(int32_t* width, int32_t* height) {
  *width = screen_ ? screen_->columns() * kCellWidth : 1024;
  *height = screen_ ? screen_->rows() * kRowHeight : 768;
}

void TuiPlatform::SetCaretPos(int32_t x, int32_t y) {
  caret_x_ = x;
  caret_y_ = y;
}

MessageBoxAnswer TuiPlatform::MessageBox(const char* caption, std::string_view text,
                                         MessageBoxButtons buttons) {
  const bool ok_cancel = buttons == MessageBoxButtons::kOkCancel;
  // Without a caption the box says what kind of box it is, as a desktop's
  // default caption does.
  TuiMessageBox box{caption ? caption : "Error", std::string(text), ok_cancel};
  const TuiMessageBox* outer = box_;
  box_ = &box;
  MessageBoxAnswer answer = MessageBoxAnswer::kOk;
  // Host data waits while the box is up: the receive thread is held, and no
  // chunk is lost or handled inside the code that asked for the box.
  for (bool answered = false; !answered;) {
    while (!answered && !pending_.empty()) {
      const TuiInput input = pending_.front();
      pending_.pop_front();
      if (input.kind != TuiInputKind::kCharacter) continue;
      if (input.code == '\r' || input.code == ' ') {
        answered = true;
      } else if (input.code == 0x1B) {
        answer = ok_cancel ? MessageBoxAnswer::kCancel : MessageBoxAnswer::kOk;
        answered = true;
      }
    }
    if (answered || screen_ == nullptr || input_ended_) break;
    Render();
    WaitForInput(-1, false);
  }
  box_ = outer;
  return answer;
}

int32_t TuiPlatform::CreateEditField(const EditFieldSpec& spec) {
  const int32_t id = next_field_id_++;
  fields_[id].spec = spec;
  return id;
}

std::string TuiPlatform::EditFieldText(int32_t id) {
  auto it = fields_.find(id);
  return it == fields_.end() ? std::string() : it->second.spec.text;
}

void TuiPlatform::SetEditFieldText(int32_t id, std::string_view text) {
  auto it = fields_.find(id);
  if (it != fields_.end()) it->second.spec.text = std::string(text);
}

void TuiPlatform::FocusEditField(int32_t id) {
  for (auto& [key, field] : fields_) field.focused = key == id;
}

void TuiPlatform::TypeIntoEditField(char c) {
  for (auto& [id, field] : fields_) {
    if (!field.focused) continue;
    std::string& text = field.spec.text;
    const auto u = static_cast<unsigned char>(c);
    if (c == '\b') {
      if (!text.empty()) text.pop_back();
    } else if (u >= 0x20 && u != 0x7F && !(field.spec.digits_only && (c < '0' || c > '9')) &&
               int32_t(text.size()) < field.spec.rect.Width() / kCellWidth) {
      text.push_back(c);
    }
    return;
  }
}

bool TuiPlatform::CreateSetupWindow(const Rect&) {
  if (setup_open_) return false;
  setup_open_ = true;
  setup_client_ = {0, 0, kSetupClientWidth, kSetupClientHeight};
  setup_.Resize(kSetupClientHeight / kRowHeight, kSetupClientWidth / kCellWidth);
  return true;
}

bool TuiPlatform::DestroySetupWindow() {
  if (!setup_open_) return false;
  setup_open_ = false;
  setup_.Resize(0, 0);
  return true;
}

bool TuiPlatform::RunNestedLoop(const std::function<bool()>& done) {
  return nested_loop_ ? nested_loop_(done) : false;
}

intptr_t TuiPlatform::SendMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  return terminal_ ? MainWindowProc(*terminal_, message, wparam, lparam) : 0;
}

bool TuiPlatform::HandleHostData() {
  return handover_.HandleWaiting([this](const char* bytes, int32_t length) {
    SendMessage(kWmHostData, uintptr_t(length), reinterpret_cast<intptr_t>(bytes));
  });
}

bool TuiPlatform::WaitForInput(int timeout_ms, bool host) {
  if (screen_ == nullptr || input_ended_) return false;
  pollfd fds[3] = {{STDIN_FILENO, POLLIN, 0},
                   {screen_->resize_fd(), POLLIN, 0},
                   {host ? handover_.wake_fd() : -1, POLLIN, 0}};
  if (poll(fds, 3, timeout_ms) <= 0) return true;  // a signal, or time is up
  if (fds[1].revents != 0) {
    screen_->Resize();
    pending_.push_back({TuiInputKind::kResize});
  }
  if (fds[0].revents & POLLIN) {
    for (const TuiInput& input : DecodeKeys(ReadCursesKeys())) pending_.push_back(input);
  }
  // The terminal hung up (the SSH connection dropped, the window closed).
  if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) input_ended_ = true;
  return !input_ended_;
}

void TuiPlatform::Beep(int32_t, int32_t ms) {
  if (!mute_ && screen_ != nullptr) screen_->Bell();
  if (ms > 0) Sleep(ms < kLongestBeepMs ? ms : kLongestBeepMs);
}

void TuiPlatform::Sleep(int32_t ms) {
  // What was drawn before a pause is seen during it.
  Render();
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

uint64_t TuiPlatform::Now() {
  const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  return kUnixEpochAsFileTime +
         uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(since_epoch).count()) * 10;
}

void TuiPlatform::Quit(int exit_code) {
  quit_requested_ = true;
  exit_code_ = exit_code;
}

void TuiPlatform::WriteStdout(std::string_view text) {
  // The screen owns standard output; these lines are printed once it is
  // given back.
  if (printed_.size() + text.size() <= kMaxPrinted) printed_.append(text);
}

void TuiPlatform::Render() {
  if (screen_ == nullptr) return;
  TuiView view;
  view.main = &main_;
  if (setup_open_) {
    view.setup = &setup_;
    for (const auto& [id, field] : fields_) {
      const Rect& r = field.spec.rect;
      view.fields.push_back({r.top / kRowHeight, r.left / kCellWidth, r.Width() / kCellWidth,
                             field.spec.text, field.focused});
    }
  }
  view.caret_visible = caret_visible_;
  view.caret_row = caret_y_ / kRowHeight;
  view.caret_column = caret_x_ / kCellWidth;
  view.box = box_;
  view.help = help_ ? &help_lines_ : nullptr;
  if (status_) view.status = status_();
  RenderView(view, screen_->unicode());
}

}  // namespace marl
