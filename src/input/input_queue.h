// Keys and scans that arrive while the terminal waits for the host, kept for
// replay when the host's next screen comes.
#pragma once

#include <cstdint>

#include "input/scan.h"

namespace marl {

struct Terminal;
struct Form;

struct InputEntry;  // allocated separately, tag keys

constexpr int32_t kQueueGrowth = 8;

struct InputState {
  int32_t waiting = 0;  // the waiting-for-host flag
  InputEntry** queue = nullptr;
  int32_t count = 0;
  int32_t capacity = 0;
};

void SetWaitingForHost(Terminal& t, int32_t value);
void ClearWaitingForHost(Terminal& t);
int32_t IsWaitingForHost(Terminal& t);
void ClearInputQueue(Terminal& t);
void QueueKeystroke(Terminal& t, int32_t code);
void QueueScan(Terminal& t, int32_t length, const char* bytes, uint8_t label_type);
// Replays the queue, then the host's key script, until something makes the
// terminal wait again.
void DrainInputQueue(Terminal& t, Form* form, int32_t rows, int32_t columns);

}  // namespace marl
