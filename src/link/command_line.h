// The terminal's command line: host address, port, simulator ID, auto mode.
#pragma once

#include "link/link.h"

namespace marl {

struct Terminal;

// Reads -H, -P, -I and -L (any case) from `command_line`, which it cuts up in
// place. An empty line leaves the endpoint alone; any other line without -P
// selects port 4060.
void ParseCommandLine(Terminal& t, char* command_line, HostEndpoint& endpoint);

}  // namespace marl
