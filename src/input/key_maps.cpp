#include "input/key_maps.h"

#include "alloc/guarded_alloc.h"
#include "terminal.h"

namespace marl {

void FreeKeyMaps(Terminal& t) {
  for (char*& map : t.key_maps.maps) {
    GuardedFree(t, map, __LINE__, "keys");
    map = nullptr;
  }
  t.key_maps.reply_letter = 0xFF;
}

}  // namespace marl
