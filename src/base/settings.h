// Settings lines ("key=value"), from the settings file or from the host's
// forms.
#pragma once

#include <cstdint>

#include "base/base_state.h"

namespace marl {

struct Terminal;

// Where settings lines come from when no file is named: the host's forms.
// A size beyond the bound from there is said once a terminal, so that a
// host repeating it on every form does not fill standard error.
inline constexpr char kHostSettings[] = "host settings";

// Normalises the line in place (upper case, the first '=' taken out, white
// space removed) and applies it: ROWS, COLS and SETF0 act, the terminal's
// other keys are accepted, anything else is ignored. `source` names where
// the line came from in a warning.
void ApplySettingLine(Terminal& t, char* line, const char* source = kHostSettings);
// Cuts `text` in place at each separator (never at its first character) and
// applies every piece.
void ApplySettingList(Terminal& t, char* text, char separator, const char* source = kHostSettings);

// A decimal number as the settings read it: optional sign, digits up to the
// first other character, 0 when there are none; saturating.
int32_t ReadSettingNumber(const char* text);

}  // namespace marl
