// The host's screen-mode command (\C).
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct HostRecord;

// Changes the screen size as the mode in the record's arguments says.
// Returns the status code for the command's reply.
int32_t SetScreenMode(Terminal& t, HostRecord* record);

}  // namespace marl
