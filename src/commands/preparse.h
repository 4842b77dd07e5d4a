// The text dialect: printable records translated into the terminal's own
// record kinds before dispatch.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct HostRecord;

// Replaces the record's text by its translation. Returns the record's new
// length, or 0 when the record is rejected (its errors have then been
// written to standard output, and its text holds "?1\n").
int32_t PreparseRecord(Terminal& t, HostRecord* record);

// Translates a zero-terminated text-dialect record into `output`, which
// holds `output_size` bytes (the text's length + 14 is always enough).
// Returns the translation's length, or 0 after an error.
int32_t TranslateTextRecord(Terminal& t, const char* text, char* output, int32_t output_size);

}  // namespace marl
