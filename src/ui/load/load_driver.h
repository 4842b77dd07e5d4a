// marlsim --load N: many simulated terminals in one process against one
// host, each following the same script in a loop, with a progress line
// while it runs and a report at the end.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/startup.h"
#include "ui/load/shard.h"

namespace marl {

constexpr int64_t kMaxLoadTerminals = 65000;

struct LoadOptions {
  int64_t terminals = 0;
  std::string script;
  double duration_s = 0;     // 0: no time limit
  int64_t iterations = 0;    // per terminal; 0: no limit (one when neither is given)
  double ramp = 0;           // terminals started per second; 0: all at once
  std::string report;        // the JSON report's file, or ""
  std::string command_line;  // the terminal's own
  StartOptions start;
  // Threads that run terminals: 0 four per processor, kThreadPerTerminal one
  // for each terminal (only to measure what that costs).
  int64_t threads = 0;
  // Some load option other than --load was given.
  bool given = false;
  // Shards, thresholds, the HTML page, merging: see report_outputs.h.
  Shard shard;
  int64_t first = 1;  // this process's terminals, first to last
  int64_t last = 0;
  double start_at = 0;  // s since 1970; 0: at once
  std::vector<std::string> thresholds;
  std::string html;
  std::vector<std::string> merge;
  std::FILE* output = stdout;
  std::FILE* progress = stderr;
};

constexpr int64_t kThreadPerTerminal = -1;

// --load, --duration, --iterations, --ramp, --report and the options of
// report_outputs.h.
bool IsLoadOption(const std::string& name);
// False with `error` set when the value does not fit the option.
bool ParseLoadOption(const std::string& name, const std::string& value, LoadOptions* options,
                     std::string* error);

// Exit status: 0 when every terminal ran its script to the end, 2 when any
// failed, 1 when the run could not start, 130 when interrupted (SIGINT or
// SIGTERM). A report is written in every case but the first.
int RunLoad(const LoadOptions& options);

// Raises the soft limit of open files as far as `terminals` on `workers`
// need, when the hard limit allows; otherwise false with `error` saying how
// many terminals can run.
bool EnoughFiles(int64_t terminals, int64_t workers, std::string* error);

// The screen size every terminal starts with: the options', else the
// settings file's, else what the screen setup window proposes on a first
// start, 20 columns by 16 rows: nobody is there to answer it.
void ScreenSize(const StartOptions& start, int32_t* rows, int32_t* columns);

// The terminal command line of terminal `n`: its placeholders filled in, or
// else the number appended to the simulator ID (-I) when one is given.
std::string TerminalCommandLine(const std::string& command_line, int64_t n);

// The loopback address terminal `n` connects from and announces:
// 127.1.0.1 for the first, one more for each next, skipping .0 and .255.
uint32_t TerminalSourceAddress(int64_t n);

}  // namespace marl
