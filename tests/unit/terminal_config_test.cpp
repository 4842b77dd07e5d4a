#include "setterm/terminal_config.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_records.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

using Events = std::vector<std::string>;

// A terminal-parameter record: bytes 1 to 5, then the reader block.
std::string Parameters(char c, char key, char beep, char p4, char p5, std::string reader = "") {
  return std::string{'\x86', c, key, beep, p4, p5} + reader + "\n";
}

TEST(TerminalConfig, ParameterRecordAndReset) {
  TestTerminal tt;
  ErrorBeep(tt.t());
  tt.Host(Parameters('x', 9, 11, 2, 3));  // 10 would be a line end
  ErrorBeep(tt.t());
  EXPECT_EQ(tt.Events(), (Events{"beep 440 120", "beep 440 330"}));
  const TerminalConfig& c = Config(tt.t());
  EXPECT_EQ(std::string{char(c.parameter_char)} + " " + std::to_string(c.programmable_key) + " " +
                std::to_string(c.parameter4) + " " + std::to_string(c.parameter5),
            "x 9 2 3");
  // A reader block, or reader option bytes in a command header, change
  // nothing the host or the user can see.
  tt.Host(Parameters(' ', 32, 4, 1, 0, "@ABCDEFGHIJKLMNOPQRSTUV"));
  tt.Host(Command("\\T", "0000019Z"));
  ErrorBeep(tt.t());
  EXPECT_EQ(tt.Events(), (Events{"beep 1000 50", "beep 440 120"}));
  EXPECT_EQ(tt.Sent(), Status('0'));  // and no reply for a parameter record

  tt.Host(Parameters('q', 9, 11, 2, 3));
  tt.Host("\xFF\n");
  EXPECT_EQ(c.beep_duration, 120);
  EXPECT_EQ(c.programmable_key, 32);
  EXPECT_EQ(c.parameter_char, ' ');
  EXPECT_EQ(c.parameter4 + c.parameter5, 30001);
}

TEST(TerminalConfig, StatusReplySwitchSilencesEveryReply) {
  TestTerminal tt;
  EXPECT_EQ(StatusRepliesOn(tt.t()), 1);
  SetStatusReplies(tt.t(), 0);
  tt.Host("\x90zz\n");
  EXPECT_EQ(tt.Sent(), "");
  SetStatusReplies(tt.t(), 1);
  tt.Host(Command("\\Z"));
  EXPECT_EQ(tt.Sent(), Status('1'));
}

}  // namespace
}  // namespace marl::testing
