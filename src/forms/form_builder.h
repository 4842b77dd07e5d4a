// Building a form from a command record's text.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct Form;
struct HostRecord;
struct ScreenEnvironment;

Form* BuildForm(Terminal& t, HostRecord* record, int32_t length, char* text, int32_t rows,
                int32_t columns);
Form* BuildRecordForm(Terminal& t, HostRecord* record, const ScreenEnvironment& environment);

}  // namespace marl
