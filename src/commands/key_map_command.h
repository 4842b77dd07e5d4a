// The key-map command (F) and the programmable-key command (O).
#pragma once

#include <cstdint>

#include "base/host_record.h"

namespace marl {

struct Terminal;

// The F command. Returns the status code for the command's reply.
int32_t LoadKeyMaps(Terminal& t, int32_t length, const char* text);
// The O command. Takes ownership of the record.
void SetProgrammableKey(Terminal& t, OwnedRecord record);

}  // namespace marl
