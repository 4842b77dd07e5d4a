// The host's key maps: what each function key types, and the programmable
// key.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct HostRecord;

constexpr int32_t kKeyMapCount = 24;
constexpr int32_t kKeyMapMaxLength = 15;

struct KeyMapState {
  char* maps[kKeyMapCount] = {};  // owned, guarded (keys); slot order of kFunctionKeyCodes
  int32_t uppercase = 0;          // set by @S for the rest of one expansion
};

// The key codes of F1 to F24, in slot order.
extern const int32_t kFunctionKeyCodes[kKeyMapCount];

// The F command. Returns the status code for the command's reply.
int32_t LoadKeyMaps(Terminal& t, int32_t length, const char* text);
void FreeKeyMaps(Terminal& t);
// Writes the key map of `code` into `out` (kMacroBufferSize bytes, zero
// terminated) and returns the key-loop flags: 0 nothing, 2 play it, 1 send a
// form reply, 3 play and then send.
int32_t ExpandKeyMap(Terminal& t, int32_t code, char* out);
// `map[*index]` is the character after an '@'. Returns the byte it stands
// for and moves *index past what it consumed; may set the reply mode.
uint8_t ParseKeyMapCode(Terminal& t, const char* map, int32_t* index);
// The O command. Takes ownership of the record.
void SetProgrammableKey(Terminal& t, HostRecord* record);

}  // namespace marl
