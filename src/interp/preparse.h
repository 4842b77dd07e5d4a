// The text dialect: printable records translated into the terminal's own
// record kinds before dispatch.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct HostRecord;

// Returns the record's new length, or 0 when the record is rejected.
int32_t PreparseRecord(Terminal& t, HostRecord* record);

}  // namespace marl
