#include "interp/banks.h"

#include "alloc/guarded_alloc.h"
#include "interp/records.h"
#include "terminal.h"

namespace marl {

void InitBanks(Terminal& t) {
  for (char*& slot : t.banks.slots) slot = nullptr;
}

// Not built yet.
void BankCommand(Terminal& t, HostRecord* record, const ScreenEnvironment&) {
  FreeHostRecord(t, record);
  SendStatus(t, 1);
}

char* ExpandBankRefs(Terminal&, int32_t*, char* text) {
  return text;
}

void FreeBanks(Terminal& t) {
  for (char*& slot : t.banks.slots) {
    GuardedFree(t, slot, __LINE__, "banks");
    slot = nullptr;
  }
}

}  // namespace marl
