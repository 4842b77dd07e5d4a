#include "base/session.h"

#include "terminal.h"

namespace marl {

void SetWaitingForHost(Terminal& t, int32_t value) {
  t.session.waiting = value;
}
void ClearWaitingForHost(Terminal& t) {
  t.session.waiting = 0;
}
int32_t IsWaitingForHost(Terminal& t) {
  return t.session.waiting;
}

}  // namespace marl
