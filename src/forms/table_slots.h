// The 25 table slots, in which the host stores records to show, extend or
// update later by number.
#pragma once

#include <cstdint>

#include "forms/forms_state.h"

namespace marl {

struct Terminal;

// Slot access. GetTableSlot gives null for an empty slot or a number outside
// 0 to 24.
HostRecord* GetTableSlot(Terminal& t, int32_t number);
int32_t IsTableSlotUsed(Terminal& t, int32_t number);
// Empties every slot without releasing anything (start-up).
void ClearTableSlots(Terminal& t);

}  // namespace marl
