// The terminal front end's platform: the windows as cells drawn into a text
// terminal through curses, message boxes as overlays answered from the
// keyboard, the bell, and the hand-over of host data to the main thread.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "ui/tui/host_handover.h"
#include "ui/tui/tui_keys.h"
#include "ui/tui/tui_render.h"

namespace marl {

struct Terminal;
class TuiScreen;

class TuiPlatform : public Platform {
 public:
  // `screen` is not owned; null draws nothing (tests of the model).
  explicit TuiPlatform(TuiScreen* screen);

  void Attach(Terminal* terminal) { terminal_ = terminal; }
  void set_mute(bool mute) { mute_ = mute; }
  // The status line's text, asked for at every redraw.
  void set_status(std::function<std::string()> status) { status_ = std::move(status); }
  // Who runs a modal window's loop: the front end's event loop.
  using NestedLoop = std::function<bool(const std::function<bool()>&)>;
  void set_nested_loop(NestedLoop loop) { nested_loop_ = std::move(loop); }

  bool DrawText(const TextDraw& draw) override;
  void EraseClient() override;
  Rect ClientRect() override { return client_; }
  Rect LayoutWindow(const WindowLayout& layout) override;
  void DisplaySize(int32_t* width, int32_t* height) override;
  void CreateCaret(int32_t, int32_t) override {}
  void SetCaretPos(int32_t x, int32_t y) override;
  void ShowCaret() override { caret_visible_ = true; }
  void HideCaret() override { caret_visible_ = false; }
  MessageBoxAnswer MessageBox(const char* caption, std::string_view text,
                              MessageBoxButtons buttons) override;
  int32_t CreateEditField(const EditFieldSpec& spec) override;
  std::string EditFieldText(int32_t id) override;
  void SetEditFieldText(int32_t id, std::string_view text) override;
  void FocusEditField(int32_t id) override;
  void DestroyEditField(int32_t id) override { fields_.erase(id); }
  bool CreateSetupWindow(const Rect& frame) override;
  bool DestroySetupWindow() override;
  bool RunNestedLoop(const std::function<bool()>& done) override;
  intptr_t SendMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) override;
  void HandOverHostData(const char* bytes, int32_t length) override {
    handover_.HandOver(bytes, length);
  }
  void HostClosed() override { handover_.Closed(); }
  void Beep(int32_t hz, int32_t ms) override;
  void Sleep(int32_t ms) override;
  uint64_t Now() override;
  void Quit(int exit_code) override;
  void PostQuitMessage() override { quit_posted_ = true; }
  void WriteStdout(std::string_view text) override;

  // A character typed into the setup window's focused field, as an edit
  // control takes it.
  void TypeIntoEditField(char c);
  void ToggleHelp() { help_ = !help_; }
  bool help_shown() const { return help_; }

  // Waits up to `timeout_ms` (-1: no limit) for keys, a resize and, with
  // `host`, host data; queues the keys. False once input has ended.
  bool WaitForInput(int timeout_ms, bool host);
  std::deque<TuiInput>& pending() { return pending_; }
  bool input_ended() const { return input_ended_; }
  HostHandOver& handover() { return handover_; }
  // Handles a waiting host chunk on this (the main) thread.
  bool HandleHostData();

  void Render();

  bool quit_requested() const { return quit_requested_; }
  bool quit_posted() const { return quit_posted_; }
  int exit_code() const { return exit_code_; }
  // What the program wrote to standard output while the screen was in use.
  const std::string& printed() const { return printed_; }
  const TuiGrid& main_grid() const { return main_; }

 private:
  struct EditField {
    EditFieldSpec spec;
    bool focused = false;
  };

  Terminal* terminal_ = nullptr;
  TuiScreen* screen_;
  TuiGrid main_;
  Rect client_;
  TuiGrid setup_;
  Rect setup_client_;
  bool setup_open_ = false;
  std::map<int32_t, EditField> fields_;
  int32_t next_field_id_ = 1;
  int32_t caret_x_ = 0;
  int32_t caret_y_ = 0;
  bool caret_visible_ = false;
  const TuiMessageBox* box_ = nullptr;
  bool help_ = false;
  std::vector<std::string> help_lines_;
  std::function<std::string()> status_;
  NestedLoop nested_loop_;
  HostHandOver handover_;
  std::deque<TuiInput> pending_;
  bool input_ended_ = false;
  bool mute_ = false;
  bool quit_requested_ = false;
  bool quit_posted_ = false;
  int exit_code_ = 0;
  std::string printed_;
};

}  // namespace marl
