// tshark with the protocol's dissector (tools/wireshark), for the tests that
// read captures back as a person's Wireshark would.
#pragma once

#include <sstream>
#include <string>

#include "shell.h"

namespace marl::testing {

inline bool HaveTshark() {
  return !Shell("command -v tshark").empty();
}

// tshark's standard output and error together, without its warning about
// running as root: a complaint shows in whatever a test compares.
inline std::string Tshark(const std::string& capture, const std::string& arguments) {
  std::istringstream lines(Shell("tshark -n -X lua_script:" MARL_DISSECTOR " -r '" + capture +
                                 "' " + arguments + " 2>&1"));
  std::string out;
  for (std::string line; std::getline(lines, line);) {
    if (line.find("Running as user") == std::string::npos) out += line + "\n";
  }
  return out;
}

}  // namespace marl::testing
