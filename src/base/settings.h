// Settings lines ("key=value"), from the settings file or from the host's
// forms.
#pragma once

#include <cstdint>

#include "base/base_state.h"

namespace marl {

struct Terminal;

// Normalises the line in place (upper case, the first '=' taken out, white
// space removed) and applies it: ROWS, COLS and SETF0 act, the terminal's
// other keys are accepted, anything else is ignored.
void ApplySettingLine(Terminal& t, char* line);
// Cuts `text` in place at each separator (never at its first character) and
// applies every piece.
void ApplySettingList(Terminal& t, char* text, char separator);

// A decimal number as the settings read it: optional sign, digits up to the
// first other character, 0 when there are none; saturating.
int32_t ReadSettingNumber(const char* text);

}  // namespace marl
