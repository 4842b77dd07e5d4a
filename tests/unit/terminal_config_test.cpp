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

TEST(TerminalConfig, ParameterRecordSetsBeepAndKey) {
  TestTerminal tt;
  ErrorBeep(tt.t());
  EXPECT_EQ(tt.Events(), Events{"beep 440 120"});
  tt.Host(Parameters('x', 9, 11, 2, 3));  // 10 would be a line end
  ErrorBeep(tt.t());
  EXPECT_EQ(tt.Events(), Events{"beep 440 330"});
  const TerminalConfig& c = Config(tt.t());
  EXPECT_EQ(c.programmable_key, 9);
  EXPECT_EQ(c.parameter_char, 'x');
  EXPECT_EQ(c.parameter4, 2);
  EXPECT_EQ(c.parameter5, 3);
  EXPECT_EQ(tt.Sent(), "");  // no status reply for a parameter record

  tt.Host(Parameters(' ', 32, 4, 1, 0, "@ABCDEFGHIJKLMNOPQRSTUV"));
  ErrorBeep(tt.t());
  EXPECT_EQ(tt.Events(), Events{"beep 440 120"});
  EXPECT_EQ(tt.Sent(), "");
}

TEST(TerminalConfig, ReaderBytesChangeNothingObservable) {
  TestTerminal tt;
  tt.Host(Command("\\T", "0000019Z"));
  EXPECT_EQ(tt.Sent(), Status('0'));
  EXPECT_EQ(tt.Events(), Events{"beep 1000 50"});
}

TEST(TerminalConfig, ResetRestoresDefaults) {
  TestTerminal tt;
  tt.Host(Parameters('q', 9, 10, 2, 3));
  SetStatusReplies(tt.t(), 1);
  tt.Host("\xFF\n");
  const TerminalConfig& c = Config(tt.t());
  EXPECT_EQ(c.beep_duration, 120);
  EXPECT_EQ(c.programmable_key, 32);
  EXPECT_EQ(c.parameter_char, ' ');
  EXPECT_EQ(c.parameter4, 1);
  EXPECT_EQ(c.parameter5, 30000);
}

TEST(TerminalConfig, StatusReplySwitch) {
  TestTerminal tt;
  EXPECT_EQ(StatusRepliesOn(tt.t()), 1);
  SetStatusReplies(tt.t(), 0);
  for (const char* body : {"\\Z", "\\C12", "\\K", "\\BE", "\\T999", "\\S|5"}) {
    tt.Host(Command(body));
  }
  tt.Host("\x90zz\n");
  EXPECT_EQ(tt.Sent(), "");
  SetStatusReplies(tt.t(), 1);
  tt.Host(Command("\\Z"));
  EXPECT_EQ(tt.Sent(), Status('1'));
}

}  // namespace
}  // namespace marl::testing
