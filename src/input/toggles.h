// The error beep, and the debugging and timing toggles that the keys switch.
#pragma once

namespace marl {

struct Terminal;

// Beeps for a key the form refused; a running key script skips to its next
// stop mark.
void ErrorBeep(Terminal& t);
void ToggleDebugging(Terminal& t);
void ToggleTimingRF(Terminal& t);

}  // namespace marl
