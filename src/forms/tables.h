// The 25 table slots in which the host stores records to show later.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct HostRecord;

constexpr int32_t kTableSlots = 25;

struct TableState {
  HostRecord* slots[kTableSlots] = {};  // owned
};

void ReleaseAllTables(Terminal& t);

}  // namespace marl
