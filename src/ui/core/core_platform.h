// The one implementation of the platform interface that every front end
// composes: the windows' model, the event log and the host hand-over. A
// front end gives it a client (its face) and an event loop; the headless
// front end is this core with no face. Tests, CI and host developers' own
// suites drive the terminal through it.
//
// Errors inside the front ends are reported one way: an operation that can
// fail returns the reason as a string, "" when it went well (what it makes
// goes to an out-parameter). Only a maker that hands back an object (a
// screen, the glyphs) returns null instead, with the reason beside it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "ui/core/core_client.h"
#include "ui/core/event_log.h"
#include "ui/core/event_loop.h"
#include "ui/core/host_handover.h"
#include "ui/core/window_model.h"

namespace marl {

struct Terminal;
class GlyphAtlas;

class CorePlatform : public Platform {
 public:
  using Clock = std::chrono::steady_clock;

  // How host chunks reach the main thread: handed over by a receive thread
  // (and a wake descriptor wakes the main thread's loop), or handled at once
  // on the thread that read them, which is the terminal's own logical
  // thread (a load run's worker, or a terminal that never connects).
  enum class HostData { kHandedOver, kInline };
  explicit CorePlatform(HostData host_data = HostData::kHandedOver);
  ~CorePlatform() override;
  CorePlatform(const CorePlatform&) = delete;
  CorePlatform& operator=(const CorePlatform&) = delete;

  // The terminal whose main window procedure gets this window's messages.
  void Attach(Terminal* terminal) { terminal_ = terminal; }
  Terminal* terminal() const { return terminal_; }
  // The face; null for none. Not owned.
  void set_client(CoreClient* client) { client_ = client; }

  bool DrawText(const TextDraw& draw) override;
  void EraseClient() override;
  Rect ClientRect() override { return model_.client(); }
  Rect LayoutWindow(const WindowLayout& layout) override;
  void DisplaySize(int32_t* width, int32_t* height) override;
  void CreateCaret(int32_t width, int32_t height) override;
  void SetCaretPos(int32_t x, int32_t y) override;
  void ShowCaret() override;
  void HideCaret() override;
  MessageBoxAnswer MessageBox(const char* caption, std::string_view text,
                              MessageBoxButtons buttons) override;
  int32_t CreateEditField(const EditFieldSpec& spec) override;
  std::string EditFieldText(int32_t id) override { return model_.EditFieldText(id); }
  void SetEditFieldText(int32_t id, std::string_view text) override;
  void FocusEditField(int32_t id) override;
  void DestroyEditField(int32_t id) override;
  bool CreateSetupWindow(const Rect& frame) override;
  bool DestroySetupWindow() override;
  bool RunNestedLoop(const std::function<bool()>& done) override;
  intptr_t SendMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) override;
  void HandOverHostData(const char* bytes, int32_t length) override;
  void HostClosed() override;
  void Beep(int32_t hz, int32_t ms) override;
  void Sleep(int32_t ms) override;
  uint64_t Now() override;
  void Quit(int exit_code) override;
  void PostQuitMessage() override { quit_posted_ = true; }
  void WriteStdout(std::string_view text) override;
  void NoteSend(std::string_view bytes) override;
  void NoteRefusal(std::string_view code, std::string_view meaning, std::string_view head) override;

  // The windows.
  WindowModel& model() { return model_; }
  const WindowModel& model() const { return model_; }
  int32_t view_rows() const { return model_.rows(); }
  int32_t view_columns() const { return model_.columns(); }
  const ViewCell& cell(int32_t row, int32_t column) const { return model_.cell(row, column); }
  std::string RowText(int32_t row) const { return model_.RowText(row); }
  int32_t caret_x() const { return model_.caret_x(); }
  int32_t caret_y() const { return model_.caret_y(); }
  bool caret_visible() const { return model_.caret_visible(); }
  WindowView VisibleWindow() const { return model_.Visible(); }
  bool setup_window_open() const { return model_.setup_window_open(); }
  const std::map<int32_t, EditField>& edit_fields() const { return model_.edit_fields(); }
  void TypeIntoEditField(char c);

  // Keeps the windows' pixels too, so that snapshots can be taken; a
  // snapshot is `zoom` times the window's size. The glyphs come from
  // `glyphs` when pixels are first painted, so a program that never looks
  // at them never renders a glyph; without glyphs a snapshot answers
  // "no snapshots: " and why. Without KeepPixels (the default, as for a
  // load driver's many terminals) only cells are kept, and a snapshot says
  // that this front end keeps no pixels.
  void KeepPixels(WindowModel::GlyphSource glyphs, int32_t zoom);
  void KeepPixels(std::shared_ptr<const GlyphAtlas> atlas, int32_t zoom);
  bool keeps_pixels() const { return model_.keeps_pixels(); }
  const GlyphAtlas* atlas() { return model_.atlas(); }
  int32_t zoom() const { return model_.zoom(); }
  // The visible window's pixels with its caret (when `caret_on` and the
  // caret is shown) and edit fields; empty without pixels.
  Picture VisiblePicture(bool caret_on);
  Picture MainPicture(bool caret_on) { return model_.MainPicture(caret_on); }
  Picture SetupPicture(bool caret_on) { return model_.SetupPicture(caret_on); }
  // Writes the visible window as a PNG file; "" or why it failed.
  std::string Snapshot(const std::string& path);

  // Events recorded since the last call, oldest first, in the automation
  // interface's words.
  std::vector<std::string> TakeEvents() { return events_.Take(); }
  // The events kept now, for a failure's report; nothing is taken.
  const EventLog& events() const { return events_; }
  void RecordMessageBox(const char* caption, std::string_view text, MessageBoxButtons buttons,
                        MessageBoxAnswer answer);

  void set_message_box_answer(MessageBoxAnswer answer) { answer_ = answer; }
  // The script expects the next message box (it said how to answer it), so
  // that box is no error of the run.
  void ExpectMessageBox() { ++expected_boxes_; }
  // What --strict counts as errors of the run: refused host records (but
  // the one that follows an expected box, for the same record), and message
  // boxes nobody said to expect.
  uint64_t refusals() const { return refusals_; }
  uint64_t unexpected_boxes() const { return unexpected_boxes_; }
  void set_real_time(bool on) { real_time_ = on; }
  void set_display_size(int32_t width, int32_t height) {
    display_width_ = width;
    display_height_ = height;
  }
  // Fixes the clock for tests; nullopt returns to the real time.
  void set_now(std::optional<uint64_t> now) { fixed_now_ = now; }
  // Who runs a modal window's loop. Without one a modal window ends at
  // once, as if the program were ending.
  using NestedLoop = std::function<bool(const std::function<bool()>&)>;
  void set_nested_loop(NestedLoop loop) { nested_loop_ = std::move(loop); }

  bool quit_requested() const { return quit_requested_; }
  int exit_code() const { return exit_code_; }
  bool quit_posted() const { return quit_posted_; }
  // The program is ending: it ended itself, or the main window is gone.
  bool Ending() const;
  // Closes the main window as its close button would, unless it is gone.
  void CloseMainWindow();

  // Main thread: handles every host chunk that the receive thread has handed
  // over, waiting up to `timeout_ms` for the first. Returns the number handled.
  int PumpHostData(int32_t timeout_ms);
  bool host_closed() const;
  // Every host chunk handled since start, and when the last one came (the
  // core's making before the first).
  uint64_t chunks_handled() const { return chunks_handled_; }
  Clock::time_point last_chunk_at() const { return last_chunk_at_; }
  // The hand-over, for an event loop that waits on it its own way.
  HostHandover& handover() { return handover_; }
  // Makes the host data a source of `loop`: its waits wake for a host chunk
  // (watching the host's socket too), and after every wait the chunks that
  // wait are handled, before anything else that woke it.
  void AttachTo(EventLoop& loop);
  // The host's socket, which the waits for host data watch too, so that
  // a chunk's arrival wakes this thread without a switch to the receive
  // thread first (-1: none).
  void WatchHostSocket(int fd) { handover_.WatchSource(fd); }
  // The window is gone: hand-overs return at once from now on, so the
  // receive thread can end.
  void StopHandOver() { handover_.Stop(); }

 private:
  void Record(std::string event) { events_.Record(std::move(event)); }
  void Changed() {
    if (client_ != nullptr) client_->Changed();
  }
  void Handled();

  const HostData host_data_;
  Terminal* terminal_ = nullptr;
  CoreClient* client_ = nullptr;
  WindowModel model_;
  EventLog events_;
  int32_t display_width_ = 1024;
  int32_t display_height_ = 768;
  NestedLoop nested_loop_;
  MessageBoxAnswer answer_ = MessageBoxAnswer::kOk;
  uint64_t expected_boxes_ = 0;
  uint64_t unexpected_boxes_ = 0;
  uint64_t refusals_ = 0;
  bool refusal_excused_ = false;
  bool real_time_ = false;
  std::optional<uint64_t> fixed_now_;
  bool quit_requested_ = false;
  int exit_code_ = 0;
  bool quit_posted_ = false;

  HostHandover handover_;
  // The loop's waits, on the hand-over.
  class HostWaiter : public EventLoop::Waiter {
   public:
    explicit HostWaiter(HostHandover& handover) : handover_(handover) {}
    int Wait(pollfd* fds, size_t count, int timeout_ms) override {
      return handover_.Wait(fds, count, timeout_ms);
    }

   private:
    HostHandover& handover_;
  };
  HostWaiter waiter_{handover_};
  bool inline_closed_ = false;
  uint64_t chunks_handled_ = 0;
  Clock::time_point last_chunk_at_ = Clock::now();
};

}  // namespace marl
