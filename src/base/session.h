// The waiting-for-host flag: while the host has the turn, keys and scans
// wait in the input queue.
#pragma once

#include <cstdint>

#include "base/base_state.h"

namespace marl {

struct Terminal;

void SetWaitingForHost(Terminal& t, bool value);
void ClearWaitingForHost(Terminal& t);
bool IsWaitingForHost(Terminal& t);

}  // namespace marl
