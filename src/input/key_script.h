// Keys the host types on the terminal's behalf (the K command), replayed
// later by the input queue.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct HostRecord;

constexpr int32_t kScriptQueueSize = 256;
constexpr int32_t kScriptStopMark = 8193;
constexpr int32_t kScriptDelayMark = 8194;

struct ScriptState {
  int32_t queue[kScriptQueueSize] = {};
  int32_t length = 0;
  int32_t read_position = 0;
  int32_t running = 0;  // set by the input queue while it plays the script
};

// Translates the script after the record's command letter into the queue.
// Takes ownership of the record; sends the status reply: 0, 1 for a pause
// without its ';', 3 when the queue is full.
void RunKeyScript(Terminal& t, HostRecord* record);
// Returns 0, or 3 when the queue already holds kScriptQueueSize entries.
int32_t PushScriptKey(Terminal& t, int32_t value);
// The next key code, or 0 when the script is done. Pauses for delay marks.
int32_t NextScriptKey(Terminal& t);
void ClearKeyScript(Terminal& t);
// While the script runs: skip to the next stop mark (an error beep calls it).
void SkipToStopMark(Terminal& t);
void SetScriptRunning(Terminal& t, int32_t value);
int32_t IsScriptRunning(Terminal& t);

}  // namespace marl
