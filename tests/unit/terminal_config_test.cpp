#include "base/terminal_config.h"

#include <gtest/gtest.h>

#include <string>

#include "input/toggles.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

// The parameter character, programmable key, beep duration and the two numbers.
std::string Parameters(const TerminalConfig& c) {
  return std::string(1, char(c.parameter_char)) + " " + std::to_string(c.programmable_key) + " " +
         std::to_string(c.beep_duration) + " " + std::to_string(c.parameter4) + " " +
         std::to_string(c.parameter5);
}

TEST(TerminalConfig, ParameterRecordAndReset) {
  TestTerminal tt;
  // Bytes 1 to 5, the duration in units of 30 ms; then the reader block,
  // which changes nothing. A parameter record gets no reply.
  tt.Host("\x86*\x09\x0C\x02\x05@ABC\n");
  EXPECT_EQ(Parameters(Config(tt.t())), "* 9 360 2 5");
  ErrorBeep(tt.t());
  EXPECT_EQ(tt.Events(), std::vector<std::string>{"beep 440 360"});
  EXPECT_EQ(tt.Sent(), "");
  // A short record reads zero bytes past its end, never memory after it.
  tt.Host("\x86x\n");
  EXPECT_EQ(Parameters(Config(tt.t())), "x 0 0 0 0");
  tt.Host("\xFF\n");
  EXPECT_EQ(Parameters(Config(tt.t())), "  32 120 1 30000");
}

}  // namespace
}  // namespace marl::testing
