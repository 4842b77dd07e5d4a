#include "input/key_maps.h"

#include "alloc/guarded_alloc.h"
#include "interp/records.h"
#include "terminal.h"

namespace marl {

// Not built yet.
int32_t LoadKeyMaps(Terminal&, int32_t, const char*) {
  return 1;
}

void SetProgrammableKey(Terminal& t, HostRecord* record) {
  FreeHostRecord(t, record);
  SendStatus(t, 1);
}

void FreeKeyMaps(Terminal& t) {
  for (char*& map : t.key_maps.maps) {
    GuardedFree(t, map, __LINE__, "keys");
    map = nullptr;
  }
  t.key_maps.reply_letter = 0xFF;
}

}  // namespace marl
