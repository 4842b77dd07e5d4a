// The calls that must go upward: a lower layer that needs a higher one
// calls through these, and the terminal sets them to the higher layer's
// operations when it is made. No layer includes one above it.
#pragma once

#include <cstdint>

#include "base/guarded_alloc.h"

namespace marl {

struct Terminal;
struct Form;

struct Hooks {
  // The allocator reached a new peak: the screen shows the statistics.
  void (*heap_peak)(Terminal& t) = nullptr;
  // The allocator found a damaged block and is about to say so: the screen
  // moves the cursor home first.
  void (*heap_damage)(Terminal& t) = nullptr;
  // A host record is released with the form attached to it.
  void (*release_form)(Terminal& t, Form* form, const char* file, CallSite where) = nullptr;
  // A settings line gave the screen's rows or columns.
  void (*set_screen_rows)(Terminal& t, int32_t rows) = nullptr;
  void (*set_screen_columns)(Terminal& t, int32_t columns) = nullptr;
  // A form has been drawn: the input replays what was queued meanwhile (and
  // in auto mode answers the form at once).
  void (*form_shown)(Terminal& t, Form* form) = nullptr;
  // A line for standard error (base/warning.h); null writes it there.
  void (*warn)(Terminal& t, const char* line) = nullptr;
};

}  // namespace marl
