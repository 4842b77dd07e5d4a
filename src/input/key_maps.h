// The host's key maps: what each function key types, and the programmable
// key.
#pragma once

#include <cstdint>

#include "input/input_state.h"

namespace marl {

struct Terminal;

// The key codes of F1 to F24, in slot order.
extern const int32_t kFunctionKeyCodes[kKeyMapCount];

void FreeKeyMaps(Terminal& t);
// Writes the key map of `code` into `out` (kMacroBufferSize bytes, zero
// terminated) and returns the key-loop flags: 0 nothing, 2 play it, 1 send a
// form reply, 3 play and then send.
int32_t ExpandKeyMap(Terminal& t, int32_t code, char* out);
// `map[*index]` is the character after an '@'. Returns the byte it stands
// for and moves *index past what it consumed; may set the reply mode.
uint8_t ParseKeyMapCode(Terminal& t, const char* map, int32_t* index);

}  // namespace marl
