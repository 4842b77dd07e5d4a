// Keys the host types on the terminal's behalf, replayed later by the input
// queue.
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
  int32_t running = 0;
};

// Takes ownership of the record; sends the status reply.
void RunKeyScript(Terminal& t, HostRecord* record);
int32_t PushScriptKey(Terminal& t, int32_t value);
int32_t NextScriptKey(Terminal& t);
void ClearKeyScript(Terminal& t);
void SkipToStopMark(Terminal& t);

}  // namespace marl
