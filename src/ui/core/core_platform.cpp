#include "ui/core/core_platform.h"

#include <chrono>
#include <thread>

#include "app/app_state.h"
#include "app/main_window.h"
#include "platform/messages.h"
#include "terminal.h"
#include "ui/pixels/glyph_atlas.h"
#include "ui/pixels/png_file.h"

namespace marl {

namespace {

// 100-ns units between 1601-01-01 and 1970-01-01.
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;

void PassTime(int32_t ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

CorePlatform::CorePlatform(HostData host_data)
    : host_data_(host_data), handover_(host_data == HostData::kHandedOver) {
  handover_.set_wake_hook([this] {
    if (client_ != nullptr) client_->Wake();
  });
}

CorePlatform::~CorePlatform() = default;

void CorePlatform::KeepPixels(WindowModel::GlyphSource glyphs, int32_t zoom) {
  model_.KeepPixels(std::move(glyphs), zoom);
}

void CorePlatform::KeepPixels(std::shared_ptr<const GlyphAtlas> atlas, int32_t zoom) {
  KeepPixels([atlas](std::string*) { return atlas; }, zoom);
}

bool CorePlatform::DrawText(const TextDraw& draw) {
  model_.Draw(draw);
  Changed();
  return true;
}

void CorePlatform::EraseClient() {
  model_.Erase();
  Changed();
}

Rect CorePlatform::LayoutWindow(const WindowLayout& layout) {
  const Rect client = model_.Layout(layout);
  if (client_ != nullptr) client_->LaidOut(layout, client);
  Changed();
  return client;
}

void CorePlatform::DisplaySize(int32_t* width, int32_t* height) {
  if (client_ != nullptr && client_->DisplaySize(width, height)) return;
  *width = display_width_;
  *height = display_height_;
}

void CorePlatform::CreateCaret(int32_t width, int32_t height) {
  model_.CreateCaret(width, height);
  Changed();
}

void CorePlatform::SetCaretPos(int32_t x, int32_t y) {
  model_.SetCaretPos(x, y);
  if (client_ != nullptr) client_->CaretMoved();
  Changed();
}

void CorePlatform::ShowCaret() {
  model_.ShowCaret(true);
  Changed();
}

void CorePlatform::HideCaret() {
  model_.ShowCaret(false);
  Changed();
}

MessageBoxAnswer CorePlatform::MessageBox(const char* caption, std::string_view text,
                                          MessageBoxButtons buttons) {
  std::optional<MessageBoxAnswer> asked;
  if (client_ != nullptr) asked = client_->AskMessageBox(caption, text, buttons);
  const MessageBoxAnswer answer = asked                               ? *asked
                                  : buttons == MessageBoxButtons::kOk ? MessageBoxAnswer::kOk
                                                                      : answer_;
  RecordMessageBox(caption, text, buttons, answer);
  if (asked) Changed();
  return answer;
}

void CorePlatform::RecordMessageBox(const char* caption, std::string_view text,
                                    MessageBoxButtons buttons, MessageBoxAnswer answer) {
  if (expected_boxes_ > 0) {
    --expected_boxes_;
    // The terminal's box comes first, then its refusal of the same record:
    // the script that expected the one expected the other.
    refusal_excused_ = true;
  } else {
    ++unexpected_boxes_;
  }
  Record("msgbox " + Quote(caption ? caption : "") + " " + Quote(text) +
         (buttons == MessageBoxButtons::kOk ? " ok" : " okcancel") +
         (answer == MessageBoxAnswer::kOk ? " ok" : " cancel"));
}

int32_t CorePlatform::CreateEditField(const EditFieldSpec& spec) {
  return model_.CreateEditField(spec);
}

void CorePlatform::SetEditFieldText(int32_t id, std::string_view text) {
  model_.SetEditFieldText(id, text);
  Changed();
}

void CorePlatform::FocusEditField(int32_t id) {
  model_.FocusEditField(id);
  Changed();
}

void CorePlatform::DestroyEditField(int32_t id) {
  model_.DestroyEditField(id);
}

void CorePlatform::TypeIntoEditField(char c) {
  model_.TypeIntoEditField(c);
  Changed();
}

bool CorePlatform::CreateSetupWindow(const Rect& frame) {
  if (!model_.OpenSetupWindow()) return false;
  if (client_ != nullptr && !client_->SetupWindowOpened(frame)) {
    model_.CloseSetupWindow();
    return false;
  }
  Changed();
  return true;
}

bool CorePlatform::DestroySetupWindow() {
  if (client_ != nullptr) client_->SetupWindowClosed();
  Changed();
  return model_.CloseSetupWindow();
}

bool CorePlatform::RunNestedLoop(const std::function<bool()>& done) {
  if (!nested_loop_) return false;
  return nested_loop_(done);
}

intptr_t CorePlatform::SendMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) {
  if (terminal_ == nullptr) return 0;
  return MainWindowProc(*terminal_, message, wparam, lparam);
}

bool CorePlatform::Ending() const {
  return quit_posted_ || quit_requested_ || (terminal_ != nullptr && App(*terminal_).ending);
}

void CorePlatform::CloseMainWindow() {
  if (!Ending()) SendMessage(kWmDestroy, 0, 0);
}

void CorePlatform::Handled() {
  refusal_excused_ = false;
  ++chunks_handled_;
  last_chunk_at_ = Clock::now();
}

void CorePlatform::HandOverHostData(const char* bytes, int32_t length) {
  if (host_data_ == HostData::kInline) {
    // The reading thread is the main thread: the chunk is handled now.
    Handled();
    SendMessage(kWmHostData, uintptr_t(length), reinterpret_cast<intptr_t>(bytes));
    return;
  }
  handover_.HandOver(bytes, length);
}

void CorePlatform::HostClosed() {
  handover_.Close();
}

bool CorePlatform::host_closed() const {
  return handover_.closed();
}

int CorePlatform::PumpHostData(int32_t timeout_ms) {
  int handled = 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const char* bytes = nullptr;
    int32_t length = 0;
    if (handover_.Take(&bytes, &length)) {
      // The receive thread waits until Done, so the bytes stay valid while
      // the window procedure runs.
      Handled();
      SendMessage(kWmHostData, uintptr_t(length), reinterpret_cast<intptr_t>(bytes));
      handover_.Done();
      ++handled;
      continue;
    }
    if (handled > 0 || handover_.closed() || handover_.stopped()) return handled;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return handled;
    handover_.Wait(-1, int32_t(left.count()));
  }
}

void CorePlatform::AttachTo(EventLoop& loop) {
  loop.set_waiter(&waiter_);
  loop.AddAfterWait([this] { PumpHostData(0); });
  loop.set_ending([this] { return Ending(); });
}

Picture CorePlatform::VisiblePicture(bool caret_on) {
  return model_.setup_window_open() ? SetupPicture(caret_on) : MainPicture(caret_on);
}

std::string CorePlatform::Snapshot(const std::string& path) {
  if (model_.atlas() == nullptr) return model_.pixels_unavailable();
  return WritePng(path, VisiblePicture(true).Scaled(model_.zoom()));
}

void CorePlatform::Beep(int32_t hz, int32_t ms) {
  Record("beep " + std::to_string(hz) + " " + std::to_string(ms));
  if (real_time_) PassTime(ms);
  if (client_ != nullptr) client_->Beep(hz, ms);
}

void CorePlatform::Sleep(int32_t ms) {
  Record("sleep " + std::to_string(ms));
  if (real_time_) PassTime(ms);
  if (client_ != nullptr) client_->Pause(ms);
}

uint64_t CorePlatform::Now() {
  if (fixed_now_) return *fixed_now_;
  const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  return kUnixEpochAsFileTime +
         uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(since_epoch).count()) * 10;
}

void CorePlatform::Quit(int exit_code) {
  Record("quit");
  quit_requested_ = true;
  exit_code_ = exit_code;
}

void CorePlatform::WriteStdout(std::string_view text) {
  Record("print " + Quote(text));
  if (client_ != nullptr) client_->Printed(text);
}

void CorePlatform::NoteSend(std::string_view bytes) {
  Record("send " + Quote(bytes));
}

void CorePlatform::NoteRefusal(std::string_view code, std::string_view meaning,
                               std::string_view head) {
  if (refusal_excused_) {
    refusal_excused_ = false;
  } else {
    ++refusals_;
  }
  Record("refused " + std::string(code) + " " + Quote(meaning) + " record " + Quote(head));
  if (client_ != nullptr) {
    client_->Refused("refused " + std::string(code) + ": " + std::string(meaning));
  }
}

}  // namespace marl
