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

void ClearKeyScript(Terminal& t);
void SkipToStopMark(Terminal& t);

}  // namespace marl
