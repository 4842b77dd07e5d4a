// marlsim --serve-load: the load driver as a child of another load tool
// (python/marlsim/locust.py). It starts and stops terminals as told on
// standard input and writes a line for every transaction and every
// terminal's end on standard output, so that the parent counts them as
// they happen. Lines are tab-separated; see docs/load.md.
#pragma once

#include <string>
#include <string_view>

#include "ui/load/load_driver.h"

namespace marl {

// One command line of standard input: "start N" or "stop N", N a terminal
// number. False with `error` set for anything else.
struct ServeCommand {
  bool start = false;
  int64_t terminal = 0;
};
bool ParseServeCommand(std::string_view line, ServeCommand* command, std::string* error);

// A name or message as one field of an output line: tabs, line ends and
// other control characters become blanks.
std::string ServeField(std::string_view text);

// Exit status 0 when standard input ended, 130 on SIGINT or SIGTERM, 1 when
// it could not start (the script, the workers).
int RunServeLoad(const LoadOptions& options);

}  // namespace marl
