// The terminal front end's event loop: keys from the text terminal and host
// chunks from the receive thread, handled one at a time on the main thread
// and sent to the window they belong to.
#pragma once

#include <functional>

#include "ui/tui/tui_keys.h"

namespace marl {

struct Terminal;
class TuiPlatform;

class TuiLoop {
 public:
  TuiLoop(Terminal& t, TuiPlatform& platform) : t_(t), platform_(platform) {}

  // Runs until `done` holds (a modal window's loop: true) or the program
  // ends (false). Without `done`, the main loop.
  bool Run(const std::function<bool()>& done);
  // One input, to the window it belongs to.
  void Route(const TuiInput& input);

 private:
  bool Ending() const;
  void Click(const TuiInput& input);

  Terminal& t_;
  TuiPlatform& platform_;
};

// The status line: the connection, the screen's size, insert, ping and auto
// mode, and how to get help.
std::string StatusText(Terminal& t, TuiPlatform& platform, const std::string& notice);

}  // namespace marl
