#include "commands/screen_mode.h"

#include "commands/records.h"
#include "forms/form.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

// The number of digits of the argument; 0 when any byte is not a digit.
int32_t CountDigits(const char* p) {
  int32_t n = 0;
  for (; *p != 0; ++p, ++n) {
    if (*p < '0' || *p > '9') return 0;
  }
  return n;
}

}  // namespace

int32_t SetScreenMode(Terminal& t, HostRecord* record) {
  const char* argument = record->command;
  const int32_t digits = CountDigits(argument);
  if (digits == 1) {
    switch (argument[0]) {
      case '0':
        SetScreenCols(t, 16);
        ClearScreen(t);
        SetTerminalRows(t, 9);
        SetScreenRows(t, 9);
        break;
      case '1':
        SetScreenCols(t, 21);
        ClearScreen(t);
        break;
      case '5':
      case '6':
        SetScreenCols(t, 20);
        break;
      default:
        return kStatusFailure;
    }
    // The grid follows the new size at once, so that nothing written for
    // the new size can land outside it.
    ResizeScreenGrid(t);
    return kStatusSuccess;
  }
  // Six or twelve digits configure a real terminal's display further; the
  // simulated one accepts them and stays as it is.
  if (digits == 6 || digits == 12) return kStatusSuccess;
  t.platform->MessageBox(nullptr, "Invalid screen mode!", MessageBoxButtons::kOk);
  return kStatusSyntax;
}

}  // namespace marl
