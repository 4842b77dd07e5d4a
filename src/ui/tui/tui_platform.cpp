#include "ui/tui/tui_platform.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/messages.h"
#include "ui/tui/tui_screen.h"

namespace marl {

namespace {

constexpr int32_t kCellWidth = 11;
constexpr int32_t kRowHeight = 13;
constexpr size_t kMaxPrinted = 1 << 16;

using Clock = std::chrono::steady_clock;

}  // namespace

TuiPlatform::TuiPlatform(TuiScreen* screen) : screen_(screen), help_lines_(HelpLines()) {
  if (screen_ != nullptr) {
    set_display_size(screen_->width() * kCellWidth, screen_->height() * kRowHeight);
  }
}

MessageBoxAnswer TuiPlatform::MessageBox(const char* caption, std::string_view text,
                                         MessageBoxButtons buttons) {
  if (scripted_ || screen_ == nullptr) return HeadlessPlatform::MessageBox(caption, text, buttons);
  const bool ok_cancel = buttons == MessageBoxButtons::kOkCancel;
  // Without a caption the box says what kind of box it is, as a desktop's
  // default caption does.
  TuiMessageBox box{caption ? caption : "Error", std::string(text), ok_cancel};
  const TuiMessageBox* outer = box_;
  box_ = &box;
  MessageBoxAnswer answer = MessageBoxAnswer::kOk;
  // Host data waits while the box is up: the receive thread is held, and no
  // chunk is handled inside the code that asked for the box.
  for (bool answered = false; !answered && !input_ended_;) {
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
    if (answered) break;
    Render();
    WaitForTerminal(-1, false);
  }
  box_ = outer;
  return answer;
}

bool TuiPlatform::WaitForTerminal(int timeout_ms, bool host, int extra) {
  if (screen_ == nullptr) {
    if (timeout_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
    return false;
  }
  pollfd fds[4] = {{input_ended_ ? -1 : STDIN_FILENO, POLLIN, 0},
                   {screen_->resize_fd(), POLLIN, 0},
                   {host ? wake_fd() : -1, POLLIN, 0},
                   {extra, POLLIN, 0}};
  if (poll(fds, 4, timeout_ms) <= 0) return false;  // a signal, or time is up
  if (fds[1].revents != 0) {
    screen_->Resize();
    set_display_size(screen_->width() * kCellWidth, screen_->height() * kRowHeight);
    pending_.push_back({TuiInputKind::kResize});
  }
  if (fds[0].revents & POLLIN) {
    for (const TuiInput& input : DecodeKeys(ReadCursesKeys(screen_->unicode())))
      pending_.push_back(input);
  }
  // The terminal hung up (the SSH connection dropped, the window closed).
  if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) input_ended_ = true;
  if (fds[2].revents != 0) DrainWake();
  return fds[3].revents != 0;
}

bool TuiPlatform::HandleWaiting() {
  if (PumpHostData(0) > 0) return true;
  if (pending_.empty()) return false;
  const TuiInput input = pending_.front();
  pending_.pop_front();
  if (router_) router_(input);
  return true;
}

void TuiPlatform::PumpEvents(int32_t ms) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    const uint64_t chunks = chunks_handled();
    while (HandleWaiting()) {
    }
    if (chunks_handled() != chunks) return;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0 || quit_requested() || quit_posted()) return;
    Render();
    WaitForTerminal(int(left), true);
  }
}

bool TuiPlatform::WaitForInput(int input) {
  // The script has ended: the person answers the boxes from now on.
  if (input < 0) scripted_ = false;
  if (HandleWaiting()) return false;
  if (input < 0 && input_ended_) {
    // Neither script nor person is left to use the window: close it.
    if (!quit_posted()) SendMessage(kWmDestroy, 0, 0);
    return false;
  }
  Render();
  return WaitForTerminal(-1, true, input);
}

void TuiPlatform::Beep(int32_t hz, int32_t ms) {
  HeadlessPlatform::Beep(hz, ms);
  // A text terminal has one sound and no tones: the bell, at once. Waiting
  // out each beep's length, as a desktop beeper does, would freeze the
  // screen behind a burst of error beeps (typing on past a full field).
  if (!mute_ && screen_ != nullptr) screen_->Bell();
}

void TuiPlatform::Sleep(int32_t ms) {
  HeadlessPlatform::Sleep(ms);
  // What was drawn before a pause is seen during it.
  Render();
  if (ms > 0 && screen_ != nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void TuiPlatform::WriteStdout(std::string_view text) {
  HeadlessPlatform::WriteStdout(text);
  // The screen owns standard output; these lines are printed once it is
  // given back.
  if (printed_.size() + text.size() <= kMaxPrinted) printed_.append(text);
}

void TuiPlatform::Render() {
  if (screen_ == nullptr) return;
  // Nobody reads the event log without a script; it must not grow.
  if (!scripted_) TakeEvents();
  TuiView view;
  view.rows = view_rows();
  view.columns = view_columns();
  view.cell = [this](int32_t r, int32_t c) -> const ViewCell& { return cell(r, c); };
  WindowView setup;
  if (setup_window_open()) {
    setup = VisibleWindow();
    view.setup = &setup;
    for (const auto& [id, field] : edit_fields()) {
      const Rect& r = field.spec.rect;
      view.fields.push_back(
          {r.top / kRowHeight, r.left / kCellWidth, r.Width() / kCellWidth, field.focused});
    }
  }
  view.caret_visible = caret_visible();
  view.caret_row = caret_y() / kRowHeight;
  view.caret_column = caret_x() / kCellWidth;
  view.box = box_;
  view.help = help_ ? &help_lines_ : nullptr;
  if (status_) view.status = status_();
  RenderView(view, screen_->unicode());
}

}  // namespace marl
