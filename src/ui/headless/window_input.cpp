#include "ui/headless/window_input.h"

#include "app/app_state.h"
#include "app/screen_setup.h"
#include "platform/messages.h"
#include "terminal.h"
#include "ui/headless/front_end.h"

namespace marl {

void DeliverChar(Terminal& t, FrontEnd& front, unsigned char c, bool shift) {
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

void DeliverKeyDown(Terminal& t, FrontEnd& front, uint32_t message, uint32_t virtual_key) {
  if (ScreenSetupOpen(t) && !App(t).setup.done) return;
  front.SendMessage(message, virtual_key, 0);
}

}  // namespace marl
