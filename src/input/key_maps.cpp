#include "input/key_maps.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "base/guarded_alloc.h"
#include "base/terminal_config.h"
#include "forms/form.h"
#include "input/key_processor.h"
#include "input/key_script.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

const int32_t kFunctionKeyCodes[kKeyMapCount] = {
    4155, 4156, 4157, 4158, 4159, 4160, 4161, 4162, 4163, 4164, 4229, 4230,  // F1 to F12
    4142, 4128, 4114, 4129, 4130, 4131, 4119, 4132, 4133, 4134, 4146, 4145,  // F13 to F24
};

namespace {

constexpr const char* kSource = "keys";

// What "@c" types for c from '0' to 'z': the low seven bits of the key
// script's plain key for c, so that a key map and a key script agree on what
// a code means. 'A', 'S' and 'r' never reach the table.
constexpr uint8_t kAtCodes[] = {
    71, 59, 60,  61,  62,  63,  64,  65, 66, 67,                  // 0 to 9
    58, 59, 8,   61,  62,  63,  64,                               // : ; < = > ? @
    65, 15, 67,  83,  13,  70,  71,  72, 82, 74,  75,  75,  77,   // A to M
    78, 79, 80,  81,  82,  83,  9,   72, 80, 87,  88,  89,  77,   // N to Z
    91, 92, 93,  94,  95,  96,                                    // [ \ ] ^ _ `
    68, 5,  6,   46,  32,  18,  33,  34, 35, 23,  36,  37,  38,   // a to m
    50, 49, 112, 113, 114, 115, 116, 73, 81, 119, 120, 120, 121,  // n to z
};
static_assert(sizeof kAtCodes == 'z' - '0' + 1);

int32_t SlotOf(int32_t code) {
  for (int32_t i = 0; i < kKeyMapCount; ++i) {
    if (kFunctionKeyCodes[i] == code) return i;
  }
  return -1;
}

uint8_t ControlOf(char c) {
  return uint8_t(std::toupper(static_cast<unsigned char>(c)) - 64);
}

}  // namespace

bool IsFunctionKey(int32_t code) {
  return SlotOf(code) >= 0;
}

void FreeKeyMaps(Terminal& t) {
  for (char*& map : t.key_maps.maps) {
    GuardedFree(t, map, kSource);
    map = nullptr;
  }
  t.keys.reply_letter = kNoReplyLetter;
}

uint8_t ParseKeyMapCode(Terminal& t, const char* map, int32_t* index) {
  const char* s = map + *index;
  const char c = s[0];
  if (c == 'A') {
    t.keys.reply_mode = 2;
    const unsigned char d = static_cast<unsigned char>(s[1]);
    if (d < ' ' || d > '~') {
      *index += 1;
      return 0;
    }
    if (d == '@') {
      if (s[2] == '@') {
        *index += 3;
        return '@';
      }
      if (s[2] == 'r' && s[3] != 0) {
        t.keys.reply_mode = 3;
        *index += 4;
        return ControlOf(s[3]);
      }
      // Never past the end of the map.
      *index += s[2] != 0 ? 3 : 2;
      return 'A';
    }
    *index += 2;
    return d;
  }
  if (c == 'S') {
    *index += 1;
    return 'S';
  }
  if (c == 'r') {
    if (s[1] == '@' && s[2] == '@') {
      ClearKeyScript(t);
      *index += 3;
      return 'r';
    }
    if (s[1] == 'd') {
      // A key script's pause has no meaning in a key map: it is read over.
      int32_t i = 2;
      int32_t value = 0;
      while (value < 65535 && s[i] >= '0' && s[i] <= '9') value = value * 10 + (s[i++] - '0');
      for (int32_t k = 0; k < 2 && s[i] == ';'; ++k) ++i;
      *index += i;
      return 0xFF;
    }
    if (s[1] == 0) {  // "@r" ends the map: nothing to type
      *index += 1;
      return 0xFF;
    }
    t.keys.reply_mode = 1;
    *index += 2;
    return ControlOf(s[1]);
  }
  *index += 1;
  if (c >= '0' && c <= 'z') return kAtCodes[c - '0'];
  return uint8_t(c);
}

int32_t ExpandKeyMap(Terminal& t, int32_t code, char* out) {
  out[0] = 0;
  const int32_t slot = SlotOf(code);
  if (slot < 0) return 0;
  const char* map = t.key_maps.maps[slot];
  if (map == nullptr || map[0] == 0) return 0;
  if (std::strchr(map, '@') == nullptr) {
    std::strncpy(out, map, kMacroBufferSize - 1);
    out[kMacroBufferSize - 1] = 0;
    return kLoopPlayMacro;
  }

  KeyState& k = t.keys;
  int32_t r = 0;
  int32_t o = 0;
  auto put = [&](uint8_t b) {
    if (o < kMacroBufferSize - 1) out[o++] = char(b);
    r |= kLoopPlayMacro;
  };
  auto finish_with_reply = [&](uint8_t b, bool clear_out) {
    k.reply_letter = b & 0x7F;
    if (clear_out) {
      o = 0;
      r &= ~kLoopPlayMacro;
    }
    r |= kLoopSendReply;
  };

  for (int32_t i = 0; map[i] != 0;) {
    if (map[i] != '@') {
      const uint8_t c = uint8_t(map[i++]);
      put(t.key_maps.uppercase ? uint8_t(std::toupper(c)) : c);
      continue;
    }
    if (map[i + 1] == 0) break;
    ++i;
    const uint8_t b = ParseKeyMapCode(t, map, &i);
    if (k.reply_mode == 2) {
      finish_with_reply(b, false);
      break;
    }
    if (k.reply_mode == 3) {
      finish_with_reply(b, true);
      break;
    }
    if (k.reply_mode == 1) {
      const Form* form = GetCurrentForm(t);
      if (form != nullptr && form->is_table && (form->options & kOptionClearModified) &&
          form->cursor == 0) {
        k.reply_mode = 4;
        finish_with_reply(b, true);
        break;
      }
      put(b & 0x7F);
      continue;
    }
    if (b == 'S') {
      t.key_maps.uppercase = true;
    } else if (b != 0xFF) {
      put(b & 0x7F);
    }
  }
  out[o] = 0;
  t.key_maps.uppercase = false;
  return r;
}

}  // namespace marl
