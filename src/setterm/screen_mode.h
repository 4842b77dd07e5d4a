// The host's screen-mode command.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct HostRecord;

// Returns the status code for the command's reply.
int32_t SetScreenMode(Terminal& t, HostRecord* record);

}  // namespace marl
