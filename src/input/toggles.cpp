#include "input/toggles.h"

#include "base/terminal_config.h"
#include "input/key_processor.h"
#include "input/key_script.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

void Toggle(Terminal& t, bool& flag, const char* banner) {
  flag = !flag;
  if (flag) {
    DrawLinesCopy(t, 0, 0, banner);
    return;
  }
  ProcessKey(t, kKeyRepaint, t.screen.current_form, t.screen.rows, t.screen.columns,
             {.force = true});
}

}  // namespace

void ErrorBeep(Terminal& t) {
  SkipToStopMark(t);
  t.platform->Beep(440, Config(t).beep_duration);
}

void ToggleDebugging(Terminal& t) {
  Toggle(t, t.screen.debugging, "Debugging");
}
void ToggleTimingRF(Terminal& t) {
  Toggle(t, t.screen.timing, "Timing RF");
}

}  // namespace marl
