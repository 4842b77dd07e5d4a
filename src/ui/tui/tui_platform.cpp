#include "ui/tui/tui_platform.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "screen/screen_state.h"
#include "ui/core/core_platform.h"
#include "ui/core/event_loop.h"
#include "ui/tui/tui_screen.h"

namespace marl {

namespace {

constexpr size_t kMaxPrinted = 1 << 16;
// How long a refused record's line stays in the status line.
constexpr auto kRefusalShown = std::chrono::seconds(4);

}  // namespace

TuiPlatform::TuiPlatform(CorePlatform& core, TuiScreen& screen)
    : core_(core), screen_(screen), help_lines_(HelpLines()) {
  core_.set_display_size(screen_.width() * kCellWidth, screen_.height() * kRowHeight);
}

void TuiPlatform::AttachTo(EventLoop& loop) {
  loop_ = &loop;
  loop.AddFile(STDIN_FILENO, [this](short events) { ReadKeys(events); });
  loop.AddFile(screen_.resize_fd(), [this](short) { Resized(); });
  loop.AddBeforeWait([this] { Render(); });
}

void TuiPlatform::ReadKeys(short events) {
  if (events & POLLIN) {
    for (const TuiInput& input : DecodeKeys(ReadCursesKeys(screen_.unicode()))) {
      pending_.push_back(input);
    }
  }
  // The terminal hung up (the SSH connection dropped, the window closed).
  if (events & (POLLHUP | POLLERR | POLLNVAL)) {
    input_ended_ = true;
    if (loop_ != nullptr) {
      loop_->RemoveFile(STDIN_FILENO);
      // Nobody is left to use the window, unless a script still does; it
      // closes on the loop's next turn, not inside a message box.
      loop_->AddTimer(EventLoop::Clock::now(), [this] {
        if (!scripted_) core_.CloseMainWindow();
      });
    }
  }
  ScheduleKey();
}

void TuiPlatform::Resized() {
  screen_.Resize();
  core_.set_display_size(screen_.width() * kCellWidth, screen_.height() * kRowHeight);
  pending_.push_back({TuiInputKind::kResize});
  ScheduleKey();
}

void TuiPlatform::ScheduleKey() {
  if (key_timer_ != 0 || pending_.empty() || loop_ == nullptr) return;
  // One input a turn: once a modal window is done, what follows it belongs
  // to the loop outside, and host data that came meanwhile goes first.
  key_timer_ = loop_->AddTimer(EventLoop::Clock::now(), [this] {
    key_timer_ = 0;
    if (pending_.empty()) return;
    const TuiInput input = pending_.front();
    pending_.pop_front();
    if (router_ && !core_.Ending()) router_(input);
    ScheduleKey();
  });
}

void TuiPlatform::ScriptEnded() {
  scripted_ = false;
  if (input_ended_) core_.CloseMainWindow();
}

std::optional<MessageBoxAnswer> TuiPlatform::AskMessageBox(const char* caption,
                                                           std::string_view text,
                                                           MessageBoxButtons buttons) {
  if (scripted_) return std::nullopt;
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
    WaitForKeys(-1);
  }
  box_ = outer;
  return answer;
}

void TuiPlatform::WaitForKeys(int timeout_ms) {
  pollfd fds[2] = {{input_ended_ ? -1 : STDIN_FILENO, POLLIN, 0}, {screen_.resize_fd(), POLLIN, 0}};
  if (poll(fds, 2, timeout_ms) <= 0) return;  // a signal, or time is up
  if (fds[1].revents != 0) Resized();
  if (fds[0].revents != 0) ReadKeys(fds[0].revents);
}

void TuiPlatform::Beep(int32_t, int32_t) {
  // A text terminal has one sound and no tones: the bell, at once. Waiting
  // out each beep's length, as a desktop beeper does, would freeze the
  // screen behind a burst of error beeps (typing on past a full field).
  if (!mute_) screen_.Bell();
}

void TuiPlatform::Pause(int32_t ms) {
  // What was drawn before a pause is seen during it.
  Render();
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void TuiPlatform::Printed(std::string_view text) {
  // The screen owns standard output; these lines are printed once it is
  // given back.
  if (printed_.size() + text.size() <= kMaxPrinted) printed_.append(text);
}

void TuiPlatform::Refused(const std::string& line) {
  refusal_ = line;
  if (loop_ == nullptr) return;
  if (refusal_timer_ != 0) loop_->RemoveTimer(refusal_timer_);
  refusal_timer_ = loop_->AddTimer(EventLoop::Clock::now() + kRefusalShown, [this] {
    refusal_timer_ = 0;
    refusal_.clear();
  });
}

void TuiPlatform::Render() {
  const WindowModel& model = core_.model();
  TuiView view;
  view.rows = model.rows();
  view.columns = model.columns();
  view.cell = [&model](int32_t r, int32_t c) -> const ViewCell& { return model.cell(r, c); };
  WindowView setup;
  if (model.setup_window_open()) {
    setup = model.Visible();
    view.setup = &setup;
    for (const auto& [id, field] : model.edit_fields()) {
      const Rect& r = field.spec.rect;
      view.fields.push_back(
          {r.top / kRowHeight, r.left / kCellWidth, r.Width() / kCellWidth, field.focused});
    }
  }
  view.caret_visible = model.caret_visible();
  view.caret_row = model.caret_y() / kRowHeight;
  view.caret_column = model.caret_x() / kCellWidth;
  view.box = box_;
  view.help = help_ ? &help_lines_ : nullptr;
  if (!refusal_.empty()) {
    view.status = " " + refusal_;
  } else if (status_) {
    view.status = status_();
  }
  RenderView(view, screen_.unicode());
}

}  // namespace marl
