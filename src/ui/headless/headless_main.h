// The headless front end as a program: the terminal started on the headless
// platform, then driven by automation commands until it ends.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/startup.h"

namespace marl {

struct HeadlessOptions {
  std::string command_line;  // the terminal's own
  int input = 0;             // automation commands
  std::FILE* output = stdout;
  std::FILE* diagnostics = stderr;
  std::FILE* trace = nullptr;
  bool real_time = false;
  StartOptions start;
  // Test seams: the transmit path's send time-out and the socket's send
  // buffer; 0 keeps the defaults.
  uint32_t send_timeout_ms = 0;
  int32_t send_buffer = 0;
};

// Exit status: 0 when every command answered ok (or another copy already
// runs), 2 when any answered with an error, 1 when start-up failed.
int RunHeadless(const HeadlessOptions& options);

}  // namespace marl
