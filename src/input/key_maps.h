// The host's key maps: what each function key sends.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct HostRecord;

constexpr int32_t kKeyMapCount = 24;

struct KeyMapState {
  char* maps[kKeyMapCount] = {};  // owned, guarded (keys)
  uint8_t reply_letter = 0xFF;    // 0xFF: none
};

// Returns the status code for the command's reply.
int32_t LoadKeyMaps(Terminal& t, int32_t length, const char* text);
void FreeKeyMaps(Terminal& t);
// Takes ownership of the record.
void SetProgrammableKey(Terminal& t, HostRecord* record);

}  // namespace marl
