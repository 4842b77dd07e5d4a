// Building a form from a command record's text: bank references expanded,
// labels and fields split out and formatted into the form's own text.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct Form;
struct HostRecord;
struct ScreenEnvironment;

// Returns the new form, or null when the text is refused (status 9 for a
// field form that does not begin with '\') or a bank reference is bad.
Form* BuildForm(Terminal& t, HostRecord* record, int32_t length, char* text, int32_t rows,
                int32_t columns);
// Builds the form for the record's command text and attaches it to the
// record, or to the table slot its count names. A form the record had is
// replaced (and released) only when a new one was built.
Form* BuildRecordForm(Terminal& t, HostRecord* record, const ScreenEnvironment& environment);
// Splits text into labels and fields and formats them onto the end of the
// form. Returns a pointer to the zero byte that ends the text.
const char* ParseFormText(Terminal& t, Form* form, const char* text, int32_t table_switch);
// FormatText at the form's write position and width; keeps the result and
// the cursor mark in the form.
int32_t FormatFormText(Terminal& t, int32_t length, const char* text, Form* form, int32_t control,
                       int32_t value_mode);
void ApplyRecordHeader(Terminal& t, Form* form, const HostRecord* record);

}  // namespace marl
