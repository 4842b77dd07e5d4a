// The queue of keys the host types on the terminal's behalf (the K
// command), replayed by the input queue.
#pragma once

#include <cstdint>

#include "input/input_state.h"

namespace marl {

struct Terminal;

// Returns 0, or 3 when the queue already holds kScriptQueueSize entries.
int32_t PushScriptKey(Terminal& t, int32_t value);
// The next key code, or 0 when the script is done. Pauses for delay marks.
int32_t NextScriptKey(Terminal& t);
void ClearKeyScript(Terminal& t);
// Clears the script and gives its queue back.
void ReleaseKeyScript(Terminal& t);
// While the script runs: skip to the next stop mark (an error beep calls it).
void SkipToStopMark(Terminal& t);
void SetScriptRunning(Terminal& t, bool value);
bool IsScriptRunning(Terminal& t);

}  // namespace marl
