#include "forms/tables.h"

#include "interp/records.h"
#include "terminal.h"

namespace marl {

void ReleaseAllTables(Terminal& t) {
  for (HostRecord*& slot : t.tables.slots) {
    FreeHostRecord(t, slot);
    slot = nullptr;
  }
}

// Not built yet: every table command fails, and its record is released.
Form* ShowTableText(Terminal& t, HostRecord* record, const ScreenEnvironment&) {
  FreeHostRecord(t, record);
  return nullptr;
}
Form* HandleSlashRecord(Terminal& t, HostRecord* record, const ScreenEnvironment&) {
  FreeHostRecord(t, record);
  return nullptr;
}
int32_t StoreTable(Terminal& t, HostRecord* record, Form** form) {
  FreeHostRecord(t, record);
  *form = nullptr;
  return 1;
}
int32_t UpdateTable(Terminal& t, HostRecord* record) {
  FreeHostRecord(t, record);
  return 1;
}
Form* UpdateAndShowTable(Terminal& t, HostRecord* record, Form*, const ScreenEnvironment&) {
  FreeHostRecord(t, record);
  SendStatus(t, 1);
  return nullptr;
}
Form* ShowStoredTable(Terminal&, int32_t, const ScreenEnvironment&, Form*, uint32_t, HostRecord*) {
  return nullptr;
}
Form* ShowRecordTable(Terminal&, HostRecord*, const ScreenEnvironment&, Form*) {
  return nullptr;
}
Form* BuildAndShowRecord(Terminal& t, HostRecord* record, const ScreenEnvironment&) {
  FreeHostRecord(t, record);
  return nullptr;
}

}  // namespace marl
