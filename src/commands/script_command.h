// The key-script command (K): the host's script translated into key codes
// for the input's key script.
#pragma once

#include "base/host_record.h"

namespace marl {

struct Terminal;

// Translates the script after the record's command letter into the queue.
// Takes ownership of the record; sends the status reply: 0, 1 for a pause
// without its ';', 3 when the queue is full.
void RunKeyScript(Terminal& t, OwnedRecord record);

}  // namespace marl
