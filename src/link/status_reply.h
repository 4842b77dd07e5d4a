// The status reply with which command handlers report to the host: 'K', two
// backslashes and the code, while the status-reply switch is on.
#pragma once

#include <cstdint>

#include "base/host_record.h"

namespace marl {

struct Terminal;

void SendStatus(Terminal& t, int32_t code);
// Releases the record, then sends the status reply: the order in which the
// handlers have always answered.
void ReleaseAndReply(Terminal& t, OwnedRecord& record, int32_t code);

}  // namespace marl
