// What a key pressed in the desktop window means: a character or key-down
// message as the main window expects it, a hot key, or one of the window's
// own helpers (paste, the scan entry box).
#pragma once

#include <SDL2/SDL_keyboard.h>

#include <cstdint>

namespace marl {

struct KeyAction {
  enum Kind { kNone, kChar, kKeyDown, kSysKeyDown, kHotKey, kPaste, kScanBox };
  Kind kind = kNone;
  uint32_t code = 0;  // the character, virtual key or hot-key id
  bool shift = false;
};

// Keys that give printable characters are kNone: their text arrives as text
// input. `key` is the layout's key, `modifiers` SDL's.
KeyAction TranslateKey(SDL_Keycode key, uint16_t modifiers);

}  // namespace marl
