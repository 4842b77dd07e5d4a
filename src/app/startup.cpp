#include "app/startup.h"

#include "app/app_state.h"
#include "app/instance_guard.h"
#include "app/main_window.h"
#include "app/rendering.h"
#include "app/settings_file.h"
#include "base/screen_size.h"
#include "base/terminal_config.h"
#include "forms/banks.h"
#include "forms/form.h"
#include "input/input_queue.h"
#include "link/connection.h"
#include "link/transmit.h"
#include "platform/messages.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

StartResult StartProgram(Terminal& t, char* command_line, const StartOptions& options) {
  // Copies started with options may run side by side (other ports, other
  // IDs); only the plain one is kept single.
  if (!options.many && (command_line == nullptr || command_line[0] == 0)) {
    if (!AcquireInstanceGuard(t)) return StartResult::kOtherInstance;
  }
  ReadSettings(t);
  if (options.columns > 1) SetScreenCols(t, BoundScreenSide(t, options.columns, "--size", "COLS"));
  if (options.rows > 1) SetScreenRows(t, BoundScreenSide(t, options.rows, "--size", "ROWS"));

  // Creation may run the screen setup window first, and the user may close
  // the program from there.
  t.platform->SendMessage(kWmCreate, 0, 0);
  if (App(t).ending) return StartResult::kEnded;

  t.session.text_dialect = 1;
  t.link.capture = options.capture;
  char empty[1] = "";
  if (ConnectToHost(t, command_line != nullptr ? command_line : empty) != 0) {
    ReleaseInstanceGuard(t);
    return StartResult::kFailed;
  }
  if (options.many) {
    StartAfterConnectWithoutReceiveThread(t);
  } else {
    StartAfterConnect(t);
  }
  return App(t).ending ? StartResult::kEnded : StartResult::kRunning;
}

namespace {

void StartUp(Terminal& t, bool receive_thread) {
  Platform& p = *t.platform;
  InitBanks(t);
  CreateTerminalConfig(t);
  // Keys typed before the host's first screen wait for it.
  SetWaitingForHost(t, true);
  SetTerminalCols(t, t.screen.columns);
  SetTerminalRows(t, t.screen.rows);
  ResizeScreenGrid(t);

  p.CreateCaret(kCellWidth, kRowHeight);
  p.SetCaretPos(SaturatedProduct(t.screen.draw.column, kCellWidth),
                SaturatedProduct(t.screen.draw.row, kRowHeight));
  p.ShowCaret();
  // Alt+F1 and Ctrl+F1 are the front end's to register as global keys.

  p.HideCaret();
  ShowSplash(t);
  TerminalBeep(t, 2000, 200, 0);
  TerminalBeep(t, 500, 250, 0);
  TerminalBeep(t, 500, 10, 0);
  p.Sleep(500);
  p.ShowCaret();

  if (receive_thread) StartReceiveThread(t);
  if (t.link.simulator_id != nullptr) {
    Transmit(t, -1, t.link.simulator_id, "Simulator ID");
    p.Sleep(1000);
  }
  SendPowerUp(t, t.screen.rows, t.screen.columns);
}

}  // namespace

void StartAfterConnect(Terminal& t) {
  StartUp(t, true);
}

void StartAfterConnectWithoutReceiveThread(Terminal& t) {
  StartUp(t, false);
}

void EndProgram(Terminal& t) {
  FinishReceiveThread(t);
  ReleaseInstanceGuard(t);
}

}  // namespace marl
