// The 25 table slots in which the host stores records to show later.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct HostRecord;
struct Form;
struct ScreenEnvironment;

constexpr int32_t kTableSlots = 25;

struct TableState {
  HostRecord* slots[kTableSlots] = {};  // owned
};

void ReleaseAllTables(Terminal& t);

// The table handlers. Those that take a record own it from then on.
Form* ShowTableText(Terminal& t, HostRecord* record, const ScreenEnvironment& environment);
Form* HandleSlashRecord(Terminal& t, HostRecord* record, const ScreenEnvironment& environment);
int32_t StoreTable(Terminal& t, HostRecord* record, Form** form);
int32_t UpdateTable(Terminal& t, HostRecord* record);
Form* UpdateAndShowTable(Terminal& t, HostRecord* record, Form* current,
                         const ScreenEnvironment& environment);
Form* ShowStoredTable(Terminal& t, int32_t number, const ScreenEnvironment& environment,
                      Form* current, uint32_t header_word, HostRecord* record);
Form* ShowRecordTable(Terminal& t, HostRecord* record, const ScreenEnvironment& environment,
                      Form* current);
Form* BuildAndShowRecord(Terminal& t, HostRecord* record, const ScreenEnvironment& environment);

}  // namespace marl
