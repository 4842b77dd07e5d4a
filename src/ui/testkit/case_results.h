// A test run's cases: the script files named on the command line, one line
// a finished case, the closing count, and the JUnit suite they make.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/testkit/junit_xml.h"

namespace marl {

// The scripts to run, in order: a file as given; a folder as its files
// (not its subfolders) in name order, leaving out hidden files, editors'
// backups ending in '~' and the golden screens (".golden") kept beside the
// scripts. Returns false with `error` for a path that is neither, or a
// folder with no script in it.
bool CollectScripts(const std::vector<std::string>& paths, std::vector<std::string>* scripts,
                    std::string* error);

struct CaseResult {
  std::string script;  // the script's path, as collected
  bool passed = false;
  int64_t duration_ms = 0;
  std::string message;  // a failure's error line, without "error: "
  std::string report;   // a failure's full report, screen and all
};

// A case's name in reports: the script's file name without its folder and
// its last extension ("tests/login.txt" is "login").
std::string CaseName(const std::string& script);

// "pass  login  0.512s" or "FAIL  menu  5.003s  menu.txt:3: ...", one line
// whatever the message holds.
std::string CaseLine(const CaseResult& result);

// "N passed, M failed".
std::string SummaryLine(const std::vector<CaseResult>& results);

// The JUnit suite of a run: a testcase a script, named after it, its
// folder as the class name.
JUnitSuite SuiteOf(const std::string& name, const std::vector<CaseResult>& results,
                   int64_t duration_ms);

}  // namespace marl
