#include "input/input_queue.h"

#include "alloc/guarded_alloc.h"
#include "terminal.h"

namespace marl {

void SetWaitingForHost(Terminal& t, int32_t value) {
  t.input.waiting = value;
}
void ClearWaitingForHost(Terminal& t) {
  t.input.waiting = 0;
}
int32_t IsWaitingForHost(Terminal& t) {
  return t.input.waiting;
}

void ClearInputQueue(Terminal& t) {
  for (int32_t i = 0; i < t.input.count; ++i) GuardedFree(t, t.input.queue[i], __LINE__, "keys");
  GuardedFree(t, t.input.queue, __LINE__, "keys");
  t.input.queue = nullptr;
  t.input.count = 0;
  t.input.capacity = 0;
}

// Not built yet.
void QueueKeystroke(Terminal&, int32_t) {}
void QueueScan(Terminal&, int32_t, const char*, uint8_t) {}
void DrainInputQueue(Terminal&, Form*, int32_t, int32_t) {}
void ProcessScan(Terminal&, int32_t, char*, Form*, int32_t, int32_t, uint8_t) {}

}  // namespace marl
