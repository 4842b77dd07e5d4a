// The host developer's guide's two example hosts, each run against the real
// marlsim as the guide tells a reader to.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"

namespace marl::testing {
namespace {

// `terminal` is more of marlsim's command line: a terminal started with -I
// sends its ID and a comma before the power-up, which a host must skip.
void GreetsByName(const std::vector<std::string>& host_command, const Lines& terminal = {}) {
  const std::string port = std::to_string(UnusedPort());
  Lines command = host_command;
  command.push_back(port);
  TempDir dir;
  Process host(command, dir.path());
  const std::string listening = "listening on port " + port + "\n";
  ASSERT_EQ(host.RemainingOutput(10000, listening.size()), listening) << host.Diagnostics();

  Lines args = {"--size", "20x16", "-H127.0.0.1", "-P" + port};
  args.insert(args.end(), terminal.begin(), terminal.end());
  Marlsim sim(args, dir.path());
  ASSERT_EQ(sim.Command("wait text \"Name:\""), Lines{"ok"}) << sim.Diagnostics();
  EXPECT_EQ(sim.Rows().at(1), "What is your name?  ");
  for (const char* c : {"type \"Ada\"", "key Enter", "wait text \"Hello, Ada\""}) {
    EXPECT_EQ(sim.Command(c), Lines{"ok"}) << c;
  }
  EXPECT_EQ(sim.Rows().at(2), "Name:               ");  // a fresh form
  EXPECT_EQ(sim.Command("quit"), Lines{"ok"});
  EXPECT_EQ(sim.Wait(), 0);
  EXPECT_EQ(host.Wait(), 0);  // the host ends with the terminal's connection
}

// The guide shows both hosts in full; they must be the ones tested here.
TEST(Examples, TheGuideShowsTheTestedHosts) {
  const std::string guide = ReadFile(HOST_GUIDE);
  for (const char* example : {HELLO_HOST_CPP, HELLO_HOST_PY}) {
    const std::string code = ReadFile(example);
    EXPECT_NE(code.find("listening on port"), std::string::npos) << example;
    EXPECT_NE(guide.find("\n" + code + "```"), std::string::npos) << example;
  }
}

TEST(Examples, TheCppHostGreetsByNameATerminalWithAnIdOrWithout) {
  GreetsByName({HELLO_HOST_PATH});
  GreetsByName({HELLO_HOST_PATH}, {"-ISCAN01"});
}

TEST(Examples, ThePythonHostGreetsByNameATerminalWithAnIdOrWithout) {
  GreetsByName({"python3", HELLO_HOST_PY});
  GreetsByName({"python3", HELLO_HOST_PY}, {"-ISCAN01"});
}

}  // namespace
}  // namespace marl::testing
