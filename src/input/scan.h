// One bar-code scan applied to the current form.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct Form;

// `bytes` holds length bytes and room for a zero after them; routing may
// strip it in place.
void ProcessScan(Terminal& t, int32_t length, char* bytes, Form* form, int32_t rows,
                 int32_t columns, uint8_t label_type);

}  // namespace marl
