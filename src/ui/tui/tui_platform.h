// The terminal front end's face on the core: the core's windows shown in a
// text terminal through curses, message boxes as overlays answered from the
// keyboard, the bell, real pauses; the keyboard and the terminal's resizes
// as sources of the event loop.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/core/core_client.h"
#include "ui/tui/tui_keys.h"
#include "ui/tui/tui_render.h"

namespace marl {

class CorePlatform;
class EventLoop;
class TuiScreen;

class TuiPlatform : public CoreClient {
 public:
  // Neither is owned.
  TuiPlatform(CorePlatform& core, TuiScreen& screen);

  // Makes the keyboard and the resizes sources of `loop`, and the screen
  // drawn before every wait.
  void AttachTo(EventLoop& loop);
  void set_mute(bool mute) { mute_ = mute; }
  // The status line's text, asked for at every redraw.
  void set_status(std::function<std::string()> status) { status_ = std::move(status); }
  // Where the person's keys go: the front end routes them, one a turn.
  void set_router(std::function<void(const TuiInput&)> router) { router_ = std::move(router); }
  // While a script drives the terminal, its `answer` answers message boxes.
  void set_scripted(bool scripted) { scripted_ = scripted; }
  // The script has ended: the person answers the boxes from now on, and
  // when the keyboard is gone too, nobody is left to use the window.
  void ScriptEnded();

  std::optional<MessageBoxAnswer> AskMessageBox(const char* caption, std::string_view text,
                                                MessageBoxButtons buttons) override;
  void Beep(int32_t hz, int32_t ms) override;
  void Pause(int32_t ms) override;
  void Printed(std::string_view text) override;
  // Shown in place of the status line for a few seconds.
  void Refused(const std::string& line) override;

  void ToggleHelp() { help_ = !help_; }
  bool help_shown() const { return help_; }
  void Render();

  // What the program wrote to standard output while the screen was in use.
  const std::string& printed() const { return printed_; }

 private:
  // The keyboard's keys and the resizes, queued; `events` are poll's.
  void ReadKeys(short events);
  void Resized();
  // The next queued key's turn.
  void ScheduleKey();
  // Waits up to `timeout_ms` (-1: no limit) for keys or a resize, as a
  // message box does: host data waits meanwhile.
  void WaitForKeys(int timeout_ms);

  CorePlatform& core_;
  TuiScreen& screen_;
  EventLoop* loop_ = nullptr;
  const std::vector<std::string> help_lines_;
  std::function<std::string()> status_;
  std::function<void(const TuiInput&)> router_;
  const TuiMessageBox* box_ = nullptr;
  bool help_ = false;
  std::deque<TuiInput> pending_;
  int64_t key_timer_ = 0;
  bool input_ended_ = false;
  bool mute_ = false;
  bool scripted_ = false;
  std::string printed_;
  std::string refusal_;
  int64_t refusal_timer_ = 0;
};

}  // namespace marl
