#include "app/main_window.h"

#include <algorithm>
#include <cstring>

#include "app/app_state.h"
#include "app/instance_guard.h"
#include "app/rendering.h"
#include "app/screen_setup.h"
#include "app/window_keys.h"
#include "commands/records.h"
#include "link/connection.h"
#include "platform/messages.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

void HandleHostData(Terminal& t, int32_t length, const char* bytes) {
  // A chunk is handled whole on one thread before that thread takes
  // another, and nothing reads it once it is in the command buffer.
  thread_local char buffer[kHostDataBufferSize];
  AppState& app = App(t);
  if (length < 0) length = 0;
  if (length > kHostDataBufferSize - 1) length = kHostDataBufferSize - 1;
  if (length > 0) std::memcpy(buffer, bytes, size_t(length));
  buffer[length] = 0;
  // The key word is what the chunk and its zero byte wrote over.
  std::memcpy(app.host_data, buffer, size_t(std::min(length + 1, kKeyWordSize)));
  app.host_data_length = length;
  ProcessHostData(t, buffer, &app.host_data_length, 0);
}

// Hot keys 0 and 1 end the program (Ctrl+X comes here too).
void EndByHotKey(Terminal& t) {
  Disconnect(t);
  ReleaseInstanceGuard(t);
  App(t).ending = true;
  t.platform->Quit(0);
}

}  // namespace

void LayoutMainWindow(Terminal& t) {
  WindowLayout layout;
  layout.x = App(t).display_width / 3;
  layout.y = App(t).display_height / 3;
  // No window is narrower than nothing, whatever size was set.
  layout.width = std::max(0, SaturatedProduct(int64_t(t.screen.columns) - 1, kCellWidth));
  layout.height = std::max(0, SaturatedProduct(t.screen.rows, 16));
  layout.columns = t.screen.columns;
  layout.rows = t.screen.rows;
  App(t).client = t.platform->LayoutWindow(layout);
  App(t).client_width = App(t).client.Width();
  App(t).client_height = App(t).client.Height();
}

void TerminalBeep(Terminal& t, int32_t hz, int32_t ms, int32_t) {
  t.platform->Beep(hz, ms);
}

intptr_t MainWindowProc(Terminal& t, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  switch (message) {
    case kWmCreate:
      t.platform->DisplaySize(&App(t).display_width, &App(t).display_height);
      if (t.screen.rows == 0 && t.screen.columns == 0) ScreenSetup(t, 1);
      LayoutMainWindow(t);
      return 0;
    case kWmDestroy:
      Disconnect(t);
      ReleaseInstanceGuard(t);
      App(t).ending = true;
      t.platform->PostQuitMessage();
      return 0;
    case kWmPaint:
      if (!t.link.ping_mode) RepaintScreen(t);
      return 0;
    case kWmKeyDown:
      HandleKeyDown(t, uint32_t(wparam));
      return 0;
    case kWmChar:
      HandleCharacter(t, uint32_t(wparam));
      return 0;
    case kWmSysKeyDown:
      HandleSystemKeyDown(t, uint32_t(wparam));
      return 0;
    case kWmLButtonDown:
      HandleLeftButton(t, lparam);
      return 0;
    case kWmHotKey:
      if (wparam == kHotKeyEnd || wparam == kHotKeyEndProgram) {
        EndByHotKey(t);
      } else {
        HandleHotKey(t, int32_t(wparam));
      }
      return 0;
    case kWmDrawLine: {
      auto* q = reinterpret_cast<DrawRequest*>(wparam);
      q->window = &t;
      DrawLineRequest(t, *q);
      return 0;
    }
    case kWmDrawText: {
      auto* q = reinterpret_cast<DrawRequest*>(wparam);
      q->window = &t;
      DrawTextRequest(t, *q);
      return 0;
    }
    case kWmHostData:
      HandleHostData(t, int32_t(wparam), reinterpret_cast<const char*>(lparam));
      return 0;
    case kWmSpare59:
    case kWmSpare60:
    default:
      return 0;
  }
}

}  // namespace marl
