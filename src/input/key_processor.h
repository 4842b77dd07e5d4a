// Key codes: what each key does to the current form, locally or by ending the
// turn with a reply to the host.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct Form;

constexpr int32_t kKeyRepaint = 23;

struct KeyState {
  uint16_t key_word = 0;  // (character, scan code) as the window hands it over
  int32_t auto_mode = 0;
  uint64_t auto_start = 0;  // file time when auto mode began
  int32_t insert_mode = 0;
};

void ProcessKey(Terminal& t, int32_t code, Form* form, int32_t rows, int32_t columns,
                int32_t terminator, int32_t from_scan, int32_t force = 0);

}  // namespace marl
