// The formatter: turns host text with its escapes into display bytes, either
// into a form's own text (which grows) or into a caller's blank buffer (which
// does not).
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct Form;

// Value modes: what the formatter does with each display byte.
constexpr int32_t kValueTextOnly = 0;
constexpr int32_t kValueTextAndField = 1;
constexpr int32_t kValueFieldOnly = 3;

// Reads `length` bytes of `source`. With a form, writes at *output, which
// must point into form->form_text, and appends to the form's current field as
// the value mode asks. Without one, *output points into a caller's buffer of
// blanks ending in a zero byte, and formatting stops when it is full.
// Hands back the output position, the cells written and the source index of
// the cursor-mark escape (0 when none). Returns 0, or 1 when output stopped.
int32_t FormatText(Terminal& t, int32_t length, const char* source, char** output,
                   int32_t* column_total, int32_t* cursor_mark, int32_t width, int32_t control,
                   Form* form, int32_t value_mode);

}  // namespace marl
