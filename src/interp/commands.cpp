#include "interp/commands.h"

#include "interp/records.h"
#include "terminal.h"

namespace marl {

// The command language is not built yet: every command is unsupported.
void RunCommand(Terminal& t, HostRecord* record, const ScreenEnvironment&) {
  FreeHostRecord(t, record);
  SendStatus(t, 1);
}

}  // namespace marl
