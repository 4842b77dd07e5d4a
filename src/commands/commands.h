// The backslash command language carried by command records (kind 0x82).
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct HostRecord;
struct ScreenEnvironment;

// Parses the header and the body and hands the record to its command's
// handler. Takes ownership of the record.
void RunCommand(Terminal& t, HostRecord* record, const ScreenEnvironment& environment);

// Checks the markup of a command's arguments: 0 when it is well formed,
// else the status code (2, 5 or 9). With strings allowed, '\' delimits
// strings and the number of backslashes met goes to *backslashes (which
// may be null).
int32_t CheckArguments(Terminal& t, const char* arguments, int32_t* backslashes,
                       bool strings_allowed);

// The tone command: \T and up to nine bytes of volume, frequency step and
// duration step. Returns the status code.
int32_t PlayTone(Terminal& t, const char* arguments);

}  // namespace marl
