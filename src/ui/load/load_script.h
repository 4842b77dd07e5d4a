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

// Replaces the placeholders; "", or why one is malformed.
std::string FillPlaceholders(std::string_view text, int64_t terminal, int64_t iteration,
                             std::string* out);

// Reads FILE; "" when it holds a script, else why ("FILE:LINE: reason"):
// it cannot be read, holds no command, or a line is malformed. Every command is tried
// on a terminal that is not connected (waits and sleeps only check their
// words), so an unknown key or a bad argument stops the run before it
// starts.
// With `update_goldens`, a missing golden file is no error: the run writes it.
std::string ReadLoadScript(const std::string& path, int32_t rows, int32_t columns,
                           LoadScript* script, bool update_goldens = false);

}  // namespace marl
