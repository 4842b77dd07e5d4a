// The headless front end's platform: a window of cells as a person would see
// them, and a log of everything else the terminal does to the outside world
// (beeps, pauses, message boxes, printed lines, quitting). Tests, CI and host
// developers' own suites drive the terminal through it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "ui/headless/front_end.h"
#include "ui/host_handover.h"
#include "ui/pixels/cell_canvas.h"
#include "ui/pixels/lazy_picture.h"

namespace marl {

struct Terminal;
class GlyphAtlas;

class HeadlessPlatform : public Platform, public FrontEnd {
 public:
  // A front end that handles host data on the thread that reads it (the
  // load driver) has no receive thread to wake it, so no wake pipe.
  explicit HeadlessPlatform(bool wake_pipe = true);
  ~HeadlessPlatform() override;
  HeadlessPlatform(const HeadlessPlatform&) = delete;
  HeadlessPlatform& operator=(const HeadlessPlatform&) = delete;

  // The terminal whose main window procedure gets this window's messages.
  void Attach(Terminal* terminal) { terminal_ = terminal; }

  bool DrawText(const TextDraw& draw) override;
  void EraseClient() override;
  Rect ClientRect() override;
  Rect LayoutWindow(const WindowLayout& layout) override;
  void DisplaySize(int32_t* width, int32_t* height) override;
  void CreateCaret(int32_t width, int32_t height) override;
  void SetCaretPos(int32_t x, int32_t y) override;
  void ShowCaret() override { caret_visible_ = true; }
  void HideCaret() override { caret_visible_ = false; }
  MessageBoxAnswer MessageBox(const char* caption, std::string_view text,
                              MessageBoxButtons buttons) override;
  int32_t CreateEditField(const EditFieldSpec& spec) override;
  std::string EditFieldText(int32_t id) override;
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

  // Finds the glyphs; null with `error` set when there are none.
  using GlyphSource = std::function<std::shared_ptr<const GlyphAtlas>(std::string* error)>;
  // Keeps the windows' pixels too, so that snapshots can be taken; a
  // snapshot is `zoom` times the window's size. The glyphs come from
  // `glyphs` when pixels are first painted, so a program that never looks
  // at them never renders a glyph; without glyphs a snapshot answers
  // "no snapshots: " and why. Without KeepPixels (the default, as for a
  // load driver's many terminals) only cells are kept, and a snapshot says
  // that this front end keeps no pixels.
  void KeepPixels(GlyphSource glyphs, int32_t zoom);
  void KeepPixels(std::shared_ptr<const GlyphAtlas> atlas, int32_t zoom);
  bool keeps_pixels() const { return keeps_pixels_; }
  // The visible window's pixels with its caret (when `caret_on` and the
  // caret is shown) and edit fields; empty without pixels.
  Picture VisiblePicture(bool caret_on);
  Picture MainPicture(bool caret_on);
  Picture SetupPicture(bool caret_on);
  int32_t zoom() const { return zoom_; }

  // The main window's view.
  int32_t view_rows() const { return rows_; }
  int32_t view_columns() const { return columns_; }
  const ViewCell& cell(int32_t row, int32_t column) const {
    return cells_[size_t(row) * size_t(columns_) + size_t(column)];
  }
  // One row as text: bytes 0x20 to 0x7E as themselves, any other as '.'.
  std::string RowText(int32_t row) const;
  int32_t caret_x() const { return caret_x_; }
  int32_t caret_y() const { return caret_y_; }
  bool caret_visible() const { return caret_visible_; }

  // What a person sees: the screen setup window while it is open (its
  // labels, and each field's text at its place), else the main window.
  WindowView VisibleWindow() const override;
  bool setup_window_open() const { return setup_open_; }

  struct EditField {
    EditFieldSpec spec;
    bool focused = false;
  };
  const std::map<int32_t, EditField>& edit_fields() const { return edit_fields_; }
  // A character typed into the focused edit field, as the native control
  // takes it: Backspace takes the last character off, a digits-only field
  // refuses other characters, and a field holds as many characters as its
  // width has cells.
  void TypeIntoEditField(char c) override;

  // Events recorded since the last call, oldest first, in the automation
  // interface's words.
  std::vector<std::string> TakeEvents() override;
  const std::vector<std::string>& events() const { return events_; }

  void set_message_box_answer(MessageBoxAnswer answer) override { answer_ = answer; }
  void set_real_time(bool on) { real_time_ = on; }
  void set_display_size(int32_t width, int32_t height) {
    display_width_ = width;
    display_height_ = height;
  }
  // Fixes the clock for tests; nullopt returns to the real time.
  void set_now(std::optional<uint64_t> now) { fixed_now_ = now; }
  // Who runs a modal window's loop: the automation reader. Without one a
  // modal window ends at once, as if the program were ending.
  using NestedLoop = std::function<bool(const std::function<bool()>&)>;
  void set_nested_loop(NestedLoop loop) { nested_loop_ = std::move(loop); }

  bool quit_requested() const override { return quit_requested_; }
  int exit_code() const { return exit_code_; }
  bool quit_posted() const override { return quit_posted_; }

  // The automation reader's waits: host data only, as nothing else arrives
  // without a window; with the connection gone the time just passes.
  void PumpEvents(int32_t ms) override;
  bool WaitForInput(int input) override;
  std::string Snapshot(const std::string& path) override;

  // Main thread: handles every host chunk that the receive thread has handed
  // over, waiting up to `timeout_ms` for the first. Returns the number handled.
  int PumpHostData(int32_t timeout_ms);
  bool host_closed() override { return handover_.closed(); }
  uint64_t chunks_handled() const override { return chunks_handled_; }
  // Readable whenever a chunk waits or the host has closed, for an event
  // loop that polls it beside its other inputs, then drains it and pumps.
  int wake_fd() { return handover_.wake_fd(); }
  void DrainWake() { handover_.DrainWake(); }
  // The host's socket, which the waits for host data watch too, so that
  // a chunk's arrival wakes this thread without a switch to the receive
  // thread first (-1: none).
  void WatchHostSocket(int fd) { handover_.WatchSource(fd); }
  // The window is gone: hand-overs return at once from now on, so the
  // receive thread can end.
  void StopHandOver() { handover_.Stop(); }

  // Quotes a text the way the automation interface writes it.
  static std::string Quote(std::string_view text);

 protected:
  void Record(std::string event) { events_.push_back(std::move(event)); }
  void RecordMessageBox(const char* caption, std::string_view text, MessageBoxButtons buttons,
                        MessageBoxAnswer answer);
  // Called on the receive thread once a chunk waits or the host has closed:
  // a window's event loop wakes itself here.
  virtual void OnWake() {}
  Terminal* terminal() const { return terminal_; }
  // The glyphs, found on first use; null when there are none, and the
  // pixels are then no longer kept.
  const GlyphAtlas* atlas();

 private:
  Terminal* terminal_ = nullptr;
  int32_t rows_ = 0;
  int32_t columns_ = 0;
  std::vector<ViewCell> cells_;
  Rect client_;
  int32_t display_width_ = 1024;
  int32_t display_height_ = 768;
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
  NestedLoop nested_loop_;
  std::vector<std::string> events_;
  MessageBoxAnswer answer_ = MessageBoxAnswer::kOk;
  bool real_time_ = false;
  std::optional<uint64_t> fixed_now_;
  bool quit_requested_ = false;
  int exit_code_ = 0;
  bool quit_posted_ = false;

  HostHandover handover_;
  uint64_t chunks_handled_ = 0;
};

}  // namespace marl
