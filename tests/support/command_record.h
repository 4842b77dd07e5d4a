// Command records made as the command language hands them to the forms and
// tables: header parsed, count read, the command pointer past the letter.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "terminal.h"

namespace marl::testing {

// The 8 header bytes for a header word and the first three header values.
std::string Header(uint32_t word = 0, int32_t v0 = 0, int32_t v1 = 0, int32_t v2 = 0);

// A kind-0x82 record with the given header and body. A body that begins with
// '\' gets its count and letter read; any other body keeps count -1 and its
// command pointer at the body.
HostRecord* CommandRecord(Terminal& t, std::string_view header, std::string_view body);

// A form built by BuildRecordForm on the terminal's screen size, owned by
// its record until the test releases the record.
struct BuiltForm {
  HostRecord* record;
  Form* form;
};
// A field form's text, as it follows a command letter.
BuiltForm BuildFieldForm(Terminal& t, std::string_view text, const std::string& header = Header());
// A table text (the record's table switch on), built but not given its entry.
BuiltForm BuildTableText(Terminal& t, std::string_view text, const std::string& header = Header());
// Row `row` of a form's own text.
std::string FormTextRow(const Form* form, int32_t row);

// Everything the terminal holds on the heap beyond what it held at `start`.
inline int32_t BytesHeldSince(const Terminal& t, int32_t start) {
  return t.alloc.bytes_in_use - start;
}

}  // namespace marl::testing
