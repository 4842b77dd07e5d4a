// The program's one run, whatever the front end: start-up, then the event
// loop (with a script's commands as one of its sources) until the program
// ends, then the ending. A front end makes its core, client and loop, and
// hands them here.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "app/startup.h"

namespace marl {

struct Terminal;
class CorePlatform;
class EventLoop;
class GlyphAtlas;

struct ProgramOptions {
  std::string command_line;  // the terminal's own
  // Automation commands (a file descriptor, not owned; -1 for none) and
  // where their answers go.
  int input = 0;
  // The script's file ("" for standard input): failed waits name it, and
  // `expect screen` finds golden files beside it.
  std::string script;
  // `expect screen` writes the window into its golden instead of failing.
  bool update_goldens = false;
  std::FILE* output = stdout;
  std::FILE* diagnostics = stderr;
  std::FILE* trace = nullptr;
  bool real_time = false;
  // Refused host records and message boxes the script did not expect (with
  // `answer`) make the run's exit status 2.
  bool strict = false;
  // A window's beeps are only recorded, not played.
  bool mute = false;
  // Snapshots are this many times the window's size (1 to 4).
  int32_t zoom = 1;
  StartOptions start;
  // Test seams: the transmit path's send time-out and the socket's send
  // buffer; 0 keeps the defaults.
  uint32_t send_timeout_ms = 0;
  int32_t send_buffer = 0;
  // --record: the person's session at a window written there as a script
  // (the window front ends); "" for none.
  std::string record;
};

// The name the program's entry and the window's have always used.
using HeadlessOptions = ProgramOptions;

// What a front end adds to the run.
struct RunHooks {
  // The end of the commands' input; null: the main window closes, as the
  // end of a headless session does. A window a person can use stays open.
  std::function<void()> at_end_of_input;
  // A line for standard error; null: written to `diagnostics` at once.
  std::function<void(const std::string&)> say;
};

// Runs the program on `t` (made on `core`) with `loop`, to which the core
// is attached already. Exit status: 0 when every command answered ok (or
// another copy already runs), 2 when any answered with an error (or, with
// `strict`, the terminal refused a host record or showed a box nobody
// expected), 1 when start-up failed.
int RunProgram(Terminal& t, CorePlatform& core, EventLoop& loop, const ProgramOptions& options,
               const RunHooks& hooks = {});

// The glyphs every window of this process paints with, rendered on the
// first call; nullptr with `error` set when the font cannot be had.
std::shared_ptr<const GlyphAtlas> LoadGlyphs(std::string* error);

}  // namespace marl
