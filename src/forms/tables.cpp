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

}  // namespace marl
