// The host's byte stream cut into host records, each handed to the handler
// of its kind; the reset record.
#pragma once

#include <cstdint>

#include "base/host_record.h"
#include "commands/commands_state.h"

namespace marl {

struct Terminal;
struct HostRecord;
struct ScreenEnvironment;

int32_t ProcessHostData(Terminal& t, const char* bytes, const int32_t* length, int32_t extra);
int32_t AssembleHostData(Terminal& t, const char* bytes, int32_t length);
void DispatchRecord(Terminal& t, HostRecord* record, const ScreenEnvironment& environment);
void ResetTerminal(Terminal& t, HostRecord* record);

}  // namespace marl
