#include "input/key_script.h"

#include "terminal.h"

namespace marl {

int32_t PushScriptKey(Terminal& t, int32_t value) {
  ScriptState& s = t.script;
  if (s.length >= kScriptQueueSize) return kStatusNoRoom;
  if (s.queue == nullptr) s.queue = new int32_t[kScriptQueueSize]();
  s.queue[s.length++] = value;
  return kStatusSuccess;
}

int32_t NextScriptKey(Terminal& t) {
  ScriptState& s = t.script;
  if (s.length <= 0) return 0;
  if (s.read_position < s.length && s.queue[s.read_position] == kScriptStopMark) {
    ++s.read_position;
  }
  if (s.read_position < s.length && s.queue[s.read_position] == kScriptDelayMark) {
    ++s.read_position;
    if (s.read_position >= s.length) {
      ClearKeyScript(t);
      return 0;
    }
    t.platform->Sleep(s.queue[s.read_position++]);
  }
  int32_t key = 0;
  if (s.read_position < s.length) key = s.queue[s.read_position++];
  if (s.read_position >= s.length) ClearKeyScript(t);
  return key;
}

void ClearKeyScript(Terminal& t) {
  t.script.read_position = 0;
  t.script.length = 0;
}

void ReleaseKeyScript(Terminal& t) {
  ClearKeyScript(t);
  delete[] t.script.queue;
  t.script.queue = nullptr;
}

void SkipToStopMark(Terminal& t) {
  ScriptState& s = t.script;
  if (!s.running) return;
  while (s.read_position < s.length && s.queue[s.read_position] != kScriptStopMark) {
    ++s.read_position;
  }
}

void SetScriptRunning(Terminal& t, bool value) {
  t.script.running = value;
}
bool IsScriptRunning(Terminal& t) {
  return t.script.running;
}

}  // namespace marl
