#include "ui/core/window_input.h"

#include <cstring>
#include <vector>

#include "app/app_state.h"
#include "app/screen_setup.h"
#include "input/scan.h"
#include "platform/messages.h"
#include "screen/display.h"
#include "terminal.h"
#include "ui/core/core_platform.h"

namespace marl {

void DeliverChar(Terminal& t, CorePlatform& front, unsigned char c, bool shift) {
  // Once Enter or Esc has ended the setup window's loop, what follows goes
  // to the main window, as the messages queued behind the quit would.
  if (ScreenSetupOpen(t) && !App(t).setup.done) {
    const uint32_t key = c == '\t' ? kVkTab : c == '\r' ? kVkReturn : c == 0x1B ? kVkEscape : 0;
    if (key != 0 && ScreenSetupKey(t, key, shift)) return;
    front.TypeIntoEditField(char(c));
    return;
  }
  front.SendMessage(kWmChar, c, 0);
}

void DeliverKeyDown(Terminal& t, CorePlatform& front, uint32_t message, uint32_t virtual_key) {
  if (ScreenSetupOpen(t) && !App(t).setup.done) return;
  front.SendMessage(message, virtual_key, 0);
}

void DeliverScan(Terminal& t, std::string_view data) {
  std::vector<char> bytes(data.begin(), data.end());
  bytes.push_back(0);
  ProcessScan(t, int32_t(std::strlen(bytes.data())), bytes.data(), GetCurrentForm(t), t.screen.rows,
              t.screen.columns, 1);
}

}  // namespace marl
