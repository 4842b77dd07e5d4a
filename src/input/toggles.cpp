#include "input/toggles.h"

#include "base/terminal_config.h"
#include "input/key_processor.h"
#include "input/key_script.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

int Toggle(Terminal& t, int32_t& flag, const char* banner) {
  flag = !flag;
  if (flag) return DrawLinesCopy(t, 0, 0, banner);
  ProcessKey(t, kKeyRepaint, t.screen.current_form, t.screen.rows, t.screen.columns, 0, 0, 1);
  return 0;
}

}  // namespace

int ErrorBeep(Terminal& t) {
  SkipToStopMark(t);
  t.platform->Beep(440, Config(t).beep_duration);
  return 0;
}

int ToggleDebugging(Terminal& t) {
  return Toggle(t, t.screen.debugging, "Debugging");
}
int ToggleTimingRF(Terminal& t) {
  return Toggle(t, t.screen.timing, "Timing RF");
}

}  // namespace marl
