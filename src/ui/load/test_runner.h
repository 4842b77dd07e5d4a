// `marlsim --test`: every script a test case, each in a fresh terminal of
// its own, many at once in this process on the load driver's workers; a
// line a case, `N passed, M failed`, and on request JUnit XML and the
// failed cases' artifacts.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/startup.h"

namespace marl {

struct TestRunOptions {
  std::vector<std::string> paths;  // scripts and folders of scripts
  int64_t jobs = 0;                // cases at once; 0: all
  std::string junit;               // JUnit XML file, or ""
  std::string artifacts;           // folder for failed cases' files, or ""
  bool update_goldens = false;
  std::string command_line;  // the terminal's own
  StartOptions start;
  std::FILE* output = stdout;
  std::FILE* diagnostics = stderr;
};

// --test, --jobs, --junit, --artifacts.
bool IsTestOption(const std::string& name);
// False with `error` set when the value does not fit the option.
bool ParseTestOption(const std::string& name, const std::string& value, TestRunOptions* options,
                     std::string* error);

// Exit status: 0 when every case passed, 2 when any failed, 1 when the run
// could not start (a script that does not parse, a path that cannot be
// written).
int RunTests(const TestRunOptions& options);

}  // namespace marl
