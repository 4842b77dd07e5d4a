#include "forms/table_slots.h"

#include "terminal.h"

namespace marl {

HostRecord* GetTableSlot(Terminal& t, int32_t number) {
  return number >= 0 && number < kTableSlots ? t.tables.slots[number] : nullptr;
}

int32_t IsTableSlotUsed(Terminal& t, int32_t number) {
  return GetTableSlot(t, number) != nullptr ? 1 : 0;
}

void ClearTableSlots(Terminal& t) {
  for (HostRecord*& slot : t.tables.slots) slot = nullptr;
}

}  // namespace marl
