// The backslash command language carried by command records (kind 0x82).
#pragma once

namespace marl {

struct Terminal;
struct HostRecord;
struct ScreenEnvironment;

// Takes ownership of the record.
void RunCommand(Terminal& t, HostRecord* record, const ScreenEnvironment& environment);

}  // namespace marl
