// The waiting-for-host flag: while the host has the turn, keys and scans
// wait in the input queue.
#pragma once

#include <cstdint>

#include "base/base_state.h"

namespace marl {

struct Terminal;

void SetWaitingForHost(Terminal& t, int32_t value);
void ClearWaitingForHost(Terminal& t);
int32_t IsWaitingForHost(Terminal& t);

}  // namespace marl
