#include "ui/tui/tui_loop.h"

#include <arpa/inet.h>

#include <string>

#include "app/app_state.h"
#include "app/screen_setup.h"
#include "platform/messages.h"
#include "terminal.h"
#include "ui/core/core_platform.h"
#include "ui/core/recorder.h"
#include "ui/core/window_input.h"
#include "ui/tui/tui_platform.h"
#include "ui/tui/tui_render.h"

namespace marl {

void TuiLoop::Route(const TuiInput& input) {
  if (input.kind == TuiInputKind::kResize) return;  // drawn anew before the next wait
  if (input.kind == TuiInputKind::kHelp || face_.help_shown()) {
    // Any key closes the help, and does nothing else.
    face_.ToggleHelp();
    return;
  }
  Deliver(input);
  if (recorder_ != nullptr) recorder_->Delivered();
}

void TuiLoop::Deliver(const TuiInput& input) {
  if (recorder_ != nullptr) {
    switch (input.kind) {
      case TuiInputKind::kHotKey:
        recorder_->HotKey(input.code);
        break;
      case TuiInputKind::kCharacter:
        recorder_->Key(kWmChar, input.code, input.shift);
        break;
      case TuiInputKind::kKeyDown:
        recorder_->Key(kWmKeyDown, input.code, false);
        break;
      case TuiInputKind::kSystemKeyDown:
        recorder_->Key(kWmSysKeyDown, input.code, false);
        break;
      default:
        break;  // a click is recorded once it is known to hit a cell
    }
  }
  if (input.kind == TuiInputKind::kHotKey) {
    core_.SendMessage(kWmHotKey, input.code, 0);
    return;
  }
  switch (input.kind) {
    case TuiInputKind::kCharacter:
      DeliverChar(t_, core_, static_cast<unsigned char>(input.code), input.shift);
      return;
    case TuiInputKind::kKeyDown:
      DeliverKeyDown(t_, core_, kWmKeyDown, input.code);
      return;
    case TuiInputKind::kSystemKeyDown:
      DeliverKeyDown(t_, core_, kWmSysKeyDown, input.code);
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
  if (row < 0 || column < 0 || row >= core_.view_rows() || column >= core_.view_columns()) {
    return;
  }
  const int64_t x = int64_t(column) * kCellWidth;
  const int64_t y = int64_t(row) * kRowHeight;
  if (x > 0xFFFF || y > 0xFFFF) return;
  if (recorder_ != nullptr) recorder_->Click(int32_t(x), int32_t(y));
  core_.SendMessage(kWmLButtonDown, 0, intptr_t((y << 16) | x));
}

std::string StatusText(Terminal& t, CorePlatform& core, const std::string& notice) {
  char address[INET_ADDRSTRLEN] = "?";
  in_addr host{};
  host.s_addr = t.link.endpoint.address;
  inet_ntop(AF_INET, &host, address, sizeof address);
  const bool connected = t.link.socket >= 0 && !core.host_closed();
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
