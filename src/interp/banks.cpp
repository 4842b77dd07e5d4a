#include "interp/banks.h"

#include "alloc/guarded_alloc.h"
#include "terminal.h"

namespace marl {

void FreeBanks(Terminal& t) {
  for (char*& slot : t.banks.slots) {
    GuardedFree(t, slot, __LINE__, "banks");
    slot = nullptr;
  }
}

}  // namespace marl
