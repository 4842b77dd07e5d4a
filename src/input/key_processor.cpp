#include "input/key_processor.h"

#include "interp/display.h"
#include "terminal.h"

namespace marl {

// Only the repaint key exists until the key processor is built.
void ProcessKey(Terminal& t, int32_t code, Form*, int32_t, int32_t, int32_t, int32_t, int32_t) {
  if (code == kKeyRepaint) RepaintScreen(t);
}

}  // namespace marl
