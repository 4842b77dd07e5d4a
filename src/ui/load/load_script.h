// The script every simulated terminal of a load run follows: automation
// commands, read once and checked before any terminal connects. In a line,
// {n} stands for the terminal's number (1 to N), {n:0W} for the same number
// padded with zeros to W digits, {i} for the iteration (from 1), and {i%N}
// for the iteration counted round from 1 to N, so that each terminal can
// log in as a user of its own and a run of any length types numbers a host
// takes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marl {

struct ScriptLine {
  int32_t number = 0;  // in the file, from 1
  std::string text;
};

struct LoadScript {
  std::string path;
  std::vector<ScriptLine> lines;  // commands only: no blank or comment lines
};

// The kinds of command the load driver runs itself; every other command
// goes to the automation reader.
enum class LoadCommand { kAutomation, kWait, kSleep, kQuit };

// The waits of the automation interface, as the load driver runs them.
enum class WaitKind { kReady, kOutput, kText, kQuiet, kClosed, kSleep };

struct WaitSpec {
  WaitKind kind = WaitKind::kReady;
  int64_t limit_ms = 0;
  std::string text;  // for kText
};

// What one filled-in line asks for; false with `error` set when it is not a
// command the load driver can run.
bool ParseLoadCommand(std::string_view line, LoadCommand* command, WaitSpec* wait,
                      std::string* error);

// Replaces the placeholders; false with `error` set for a malformed one.
bool FillPlaceholders(std::string_view text, int64_t terminal, int64_t iteration, std::string* out,
                      std::string* error);

// Reads FILE; false with `error` ("FILE:LINE: reason") when it cannot be
// read, holds no command, or a line is malformed. Commands that go to the
// automation reader are tried on a terminal that is not connected, so an
// unknown key or a bad argument stops the run before it starts.
bool ReadLoadScript(const std::string& path, int32_t rows, int32_t columns, LoadScript* script,
                    std::string* error);

}  // namespace marl
