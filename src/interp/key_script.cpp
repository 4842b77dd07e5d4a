#include "interp/key_script.h"

#include "interp/records.h"
#include "terminal.h"

namespace marl {

// Not built yet.
void RunKeyScript(Terminal& t, HostRecord* record) {
  FreeHostRecord(t, record);
  SendStatus(t, 1);
}

int32_t PushScriptKey(Terminal&, int32_t) {
  return 3;
}
int32_t NextScriptKey(Terminal&) {
  return 0;
}

void ClearKeyScript(Terminal& t) {
  t.script.read_position = 0;
  t.script.length = 0;
}

void SkipToStopMark(Terminal& t) {
  if (!t.script.running) return;
  while (t.script.read_position < t.script.length &&
         t.script.queue[t.script.read_position] != kScriptStopMark) {
    t.script.read_position++;
  }
}

}  // namespace marl
