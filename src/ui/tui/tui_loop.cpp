#include "ui/tui/tui_loop.h"

#include <arpa/inet.h>

#include <string>

#include "app/app_state.h"
#include "app/screen_setup.h"
#include "platform/messages.h"
#include "terminal.h"
#include "ui/headless/window_input.h"
#include "ui/tui/tui_platform.h"
#include "ui/tui/tui_render.h"

namespace marl {

bool TuiLoop::Ending() const {
  return App(t_).ending || platform_.quit_requested() || platform_.quit_posted();
}

bool TuiLoop::Run(const std::function<bool()>& done) {
  for (;;) {
    if (Ending()) return false;
    if (done && done()) return true;
    // One input at a time: once a modal window is done, what follows it
    // belongs to the loop outside.
    if (platform_.HandleWaiting()) continue;
    if (platform_.input_ended()) {
      // Nobody is left to use the window: close it as its owner would.
      platform_.SendMessage(kWmDestroy, 0, 0);
      return false;
    }
    platform_.Render();
    platform_.WaitForTerminal(-1, true);
  }
}

void TuiLoop::Route(const TuiInput& input) {
  if (input.kind == TuiInputKind::kResize) return;  // drawn anew before the next wait
  if (input.kind == TuiInputKind::kHelp || platform_.help_shown()) {
    // Any key closes the help, and does nothing else.
    platform_.ToggleHelp();
    return;
  }
  if (input.kind == TuiInputKind::kHotKey) {
    platform_.SendMessage(kWmHotKey, input.code, 0);
    return;
  }
  switch (input.kind) {
    case TuiInputKind::kCharacter:
      DeliverChar(t_, platform_, static_cast<unsigned char>(input.code), input.shift);
      return;
    case TuiInputKind::kKeyDown:
      DeliverKeyDown(t_, platform_, kWmKeyDown, input.code);
      return;
    case TuiInputKind::kSystemKeyDown:
      DeliverKeyDown(t_, platform_, kWmSysKeyDown, input.code);
      return;
    case TuiInputKind::kClick:
      // A click on the setup window has no field to move to.
      if (!ScreenSetupOpen(t_)) Click(input);
      return;
    default:
      return;
  }
}

void TuiLoop::Click(const TuiInput& input) {
  const int32_t row = input.row - kScreenTop;
  const int32_t column = input.column - kScreenLeft;
  if (row < 0 || column < 0 || row >= platform_.view_rows() || column >= platform_.view_columns()) {
    return;
  }
  const int64_t x = int64_t(column) * kCellWidth;
  const int64_t y = int64_t(row) * kRowHeight;
  if (x > 0xFFFF || y > 0xFFFF) return;
  platform_.SendMessage(kWmLButtonDown, 0, intptr_t((y << 16) | x));
}

std::string StatusText(Terminal& t, TuiPlatform& platform, const std::string& notice) {
  char address[INET_ADDRSTRLEN] = "?";
  in_addr host{};
  host.s_addr = t.link.endpoint.address;
  inet_ntop(AF_INET, &host, address, sizeof address);
  const bool connected = t.link.socket >= 0 && !platform.host_closed();
  std::string status = notice.empty() ? " " : " " + notice + " | ";
  // Before the command line is read (the first start's setup window) there
  // is no host to name yet.
  if (t.link.endpoint.port == 0) {
    status += "not connected yet";
  } else {
    status += std::string(address) + ":" + std::to_string(ntohs(t.link.endpoint.port)) +
              (connected ? " connected" : " not connected");
  }
  status += " | " + std::to_string(t.screen.columns) + "x" + std::to_string(t.screen.rows);
  if (t.keys.insert_mode) status += " | INS";
  if (t.link.ping_mode) status += " | PING";
  if (t.session.auto_mode) status += " | AUTO";
  return status + " | Alt+H help";
}

}  // namespace marl
