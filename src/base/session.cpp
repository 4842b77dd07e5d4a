#include "base/session.h"

#include "terminal.h"

namespace marl {

void SetWaitingForHost(Terminal& t, bool value) {
  t.session.waiting = value;
}
void ClearWaitingForHost(Terminal& t) {
  t.session.waiting = false;
}
bool IsWaitingForHost(Terminal& t) {
  return t.session.waiting;
}

}  // namespace marl
