// The terminal front end as a program: the terminal started on a text
// terminal, then its event loop until the program ends.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/startup.h"

namespace marl {

struct TuiOptions {
  std::string command_line;  // the terminal's own
  std::FILE* trace = nullptr;
  StartOptions start;
  bool mute = false;
  bool strict = false;  // as ProgramOptions::strict
  // Automation commands to run (a file descriptor, not owned); -1 for none.
  int script = -1;
  // --record: the person's session written there as a script; "" for none.
  std::string record;
  std::string script_name;  // its file, for failed waits and golden files
  bool update_goldens = false;
  // Test seams, as for the headless front end; 0 keeps the defaults.
  uint32_t send_timeout_ms = 0;
  int32_t send_buffer = 0;
};

// Exit status: 0 when the program ended normally (or another copy already
// runs), 1 when the text terminal could not be used or start-up failed, 2
// when a command of the script answered with an error.
int RunTui(const TuiOptions& options);

}  // namespace marl
