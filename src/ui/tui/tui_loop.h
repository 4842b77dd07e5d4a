// The terminal front end's input: each key from the text terminal sent to
// the window it belongs to, and the status line's text.
#pragma once

#include <string>

#include "ui/tui/tui_keys.h"

namespace marl {

struct Terminal;
class CorePlatform;
class TuiPlatform;

class Recorder;

class TuiLoop {
 public:
  TuiLoop(Terminal& t, CorePlatform& core, TuiPlatform& face) : t_(t), core_(core), face_(face) {}
  // The person's inputs are recorded there too (null: not recorded).
  void set_recorder(Recorder* recorder) { recorder_ = recorder; }

  // One input, to the window it belongs to.
  void Route(const TuiInput& input);

 private:
  void Deliver(const TuiInput& input);
  void Click(const TuiInput& input);

  Terminal& t_;
  CorePlatform& core_;
  TuiPlatform& face_;
  Recorder* recorder_ = nullptr;
};

// The status line: the connection, the screen's size, insert, ping and auto
// mode, and how to get help.
std::string StatusText(Terminal& t, CorePlatform& core, const std::string& notice);

}  // namespace marl
