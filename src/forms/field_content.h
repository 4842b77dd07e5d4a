// Replacing a field's label or data with new host text, in place.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct Form;

// Replaces field k's label (label switch 1) or its type byte and data
// (label switch 0, the text's first byte being the type byte). Returns 1, or
// 0 when there is no such field or the new content is longer than the old:
// a field never grows.
int32_t SetFieldContent(Terminal& t, Form* form, int32_t length, const char* text,
                        int32_t label_switch, int32_t field);

}  // namespace marl
