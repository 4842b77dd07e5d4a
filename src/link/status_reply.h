// The status reply with which command handlers report to the host: 'K', two
// backslashes and the code, while the status-reply switch is on.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;

void SendStatus(Terminal& t, int32_t code);

}  // namespace marl
