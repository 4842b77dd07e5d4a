// The host's key maps: what each function key sends.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;

constexpr int32_t kKeyMapCount = 24;

struct KeyMapState {
  char* maps[kKeyMapCount] = {};  // owned, guarded (keys)
  uint8_t reply_letter = 0xFF;    // 0xFF: none
};

void FreeKeyMaps(Terminal& t);

}  // namespace marl
