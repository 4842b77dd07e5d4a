// The terminal front end's platform: the headless front end's cells, events
// and host hand-over, shown in a text terminal through curses, with message
// boxes as overlays answered from the keyboard, the bell, real pauses, and
// an event loop that waits on the keyboard and host data together.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/headless/headless_platform.h"
#include "ui/tui/tui_keys.h"
#include "ui/tui/tui_render.h"

namespace marl {

class TuiScreen;

class TuiPlatform : public HeadlessPlatform {
 public:
  // `screen` is not owned; null draws nothing and waits for nothing (tests
  // of the model).
  explicit TuiPlatform(TuiScreen* screen);

  void set_mute(bool mute) { mute_ = mute; }
  // The status line's text, asked for at every redraw.
  void set_status(std::function<std::string()> status) { status_ = std::move(status); }
  // Where the person's keys go: the front end's loop routes them.
  void set_router(std::function<void(const TuiInput&)> router) { router_ = std::move(router); }
  // While a script drives the terminal, its `answer` answers message boxes.
  void set_scripted(bool scripted) { scripted_ = scripted; }

  MessageBoxAnswer MessageBox(const char* caption, std::string_view text,
                              MessageBoxButtons buttons) override;
  void Beep(int32_t hz, int32_t ms) override;
  void Sleep(int32_t ms) override;
  void WriteStdout(std::string_view text) override;

  // The automation reader's waits: host data, and the person's keys too.
  void PumpEvents(int32_t ms) override;
  bool WaitForInput(int input) override;
  bool QuitsAtEndOfInput() const override { return false; }

  void ToggleHelp() { help_ = !help_; }
  bool help_shown() const { return help_; }

  // Waits up to `timeout_ms` (-1: no limit) for keys, a resize, host data
  // (with `host`) and `extra` (when not -1); queues the keys. True when
  // `extra` became readable.
  bool WaitForTerminal(int timeout_ms, bool host, int extra = -1);
  std::deque<TuiInput>& pending() { return pending_; }
  bool input_ended() const { return input_ended_; }
  // Handles what waits on the main thread: host chunks first, then one key.
  // True when anything was handled.
  bool HandleWaiting();

  void Render();

  // What the program wrote to standard output while the screen was in use.
  const std::string& printed() const { return printed_; }

 private:
  TuiScreen* screen_;
  const std::vector<std::string> help_lines_;
  std::function<std::string()> status_;
  std::function<void(const TuiInput&)> router_;
  const TuiMessageBox* box_ = nullptr;
  bool help_ = false;
  std::deque<TuiInput> pending_;
  bool input_ended_ = false;
  bool mute_ = false;
  bool scripted_ = false;
  std::string printed_;
};

}  // namespace marl
