#include "interp/key_script.h"

#include "terminal.h"

namespace marl {

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
