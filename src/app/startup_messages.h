// Lines for standard error that tell a user what start-up made of a
// doubtful command line and why it could not go on. They change nothing the
// terminal does; every front end can print them.
#pragma once

#include <string>
#include <vector>

namespace marl {

struct Terminal;

// A host the terminal's parser turns into 255.255.255.255, and a port
// outside 1 to 65535, each with the value the terminal will use.
std::vector<std::string> CommandLineWarnings(const std::string& command_line);

// Why the connection failed, and, when no host was given, how to give one
// or how to try the demo.
std::vector<std::string> ConnectFailureLines(const Terminal& t, const std::string& command_line);

// A second plain copy that the single-instance guard refused.
std::string OtherInstanceLine();

}  // namespace marl
