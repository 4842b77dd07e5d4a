#include "interp/commands.h"

#include <gtest/gtest.h>

#include "host_records.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

using Events = std::vector<std::string>;

struct Case {
  const char* body;
  std::string sent;  // the reply, then " " and each event
};

std::string Exchange(TestTerminal& tt, const char* body) {
  tt.Host(Command(body));
  std::string out = tt.Sent();
  for (const std::string& e : tt.Events()) out += " " + e;
  return out;
}

// Syntax, the letter table and every reply; every record is released.
TEST(RunCommand, RepliesAndReleases) {
  TestTerminal tt;
  const int32_t before = tt.t().alloc.bytes_in_use;
  const std::string s0 = Status('0'), s1 = Status('1'), s2 = Status('2'), s4 = Status('4'),
                    s5 = Status('5'), s9 = Status('9');
  const Case cases[] = {
      // Count and letter: \T alone is the tone; with a count it stores and
      // shows; two digits at most, the third is the letter.
      {"\\T", s0 + " beep 1000 50"},
      {"\\12T\\Qty:\\A1", ""},
      {"\\1x", s1},
      {"\\123C0", s1},
      // '\' and a number alone show a stored table, or answer 4 when there
      // is none; \D answers nothing.
      {"\\", s4},
      {"\\7", s4},
      {"\\D anything", ""},
      // Unsupported letters, after their arguments' check.
      {"\\Z", s1},
      {"\\R\\a\\bc", s1},
      {"\\R|5", s9},
      {"\\Q\\a\\b", s2},
      {"\\S\\Qty:\\", s5},
      // Ping.
      {"\\PING", ""},
      {"\\ping", ""},
      {"\\PX", s1},
      {"\\P|5", s9},
      {"\\3P|5", s1},  // with a count the arguments are not checked
      // Tones: volume, frequency step, duration step.
      {"\\T100   005", s0 + " beep 1000 400"},
      {"\\T100   011", Status('L')},
      {"\\T12x", Status('V')},
      {"\\T10", Status('V')},  // a field cut short
      {"\\T255030", s0 + " beep 9000 50"},
      {"\\T   000001", s0 + " beep 20 4"},
      {"\\T   001010", s0 + " beep 300 7999"},
      {"\\T   031", Status('F')},
      {"\\T      000", Status('L')},
      {"\\T         ", s0 + " beep 1000 50"},
      {"\\T1000000000", Status('L')},  // ten bytes
      // Table commands and table bodies.
      {"\\3U\\1IA7", s4},
      {"/F\\a\\bc", s0},
      {"/F|5", s9},
      {"plain table text", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Exchange(tt, c.body), c.sent) << c.body;
  // What the tables keep (a stored slot, a pending '/' part, the table form
  // on the screen) is theirs until released.
  ReleaseAllTables(tt.t());
  ReleaseTableForms(tt.t());
  EXPECT_EQ(tt.t().alloc.bytes_in_use, before);

  SetStatusReplies(tt.t(), 0);
  for (const char* body : {"\\Z", "\\T999", "\\C12", "\\K", "\\BE"}) tt.Host(Command(body));
  EXPECT_EQ(tt.Sent(), "");
}

TEST(RunCommand, PingReleasesTheWait) {
  TestTerminal tt;
  SetWaitingForHost(tt.t(), 1);
  tt.Host(Command("\\PING"));
  EXPECT_EQ(IsWaitingForHost(tt.t()), 0);
}

TEST(RunCommand, IdentifyReportsAndInjects) {
  TestTerminal tt(16, 20);
  tt.t().settings.setf0 = 1;
  tt.t().records.text_dialect = 0;
  EXPECT_EQ(Exchange(tt, "\\IR"), "IR16,20,00");
  EXPECT_EQ(tt.t().records.text_dialect, 1);
  EXPECT_EQ(tt.t().settings.setf0, 0);
  const std::pair<const char*, int32_t> injections[] = {
      {"\\IXN12345", 0}, {"\\ix12345", 1}, {"\\IXN", 0}, {"\\IX", 1}};
  for (const auto& [body, dialect] : injections) {
    EXPECT_EQ(Exchange(tt, body), "");
    EXPECT_EQ(tt.t().records.text_dialect, dialect) << body;
  }
  EXPECT_EQ(Exchange(tt, "\\IQ"), "");
}

TEST(CheckArguments, Markup) {
  TestTerminal tt;
  tt.t().banks.slots[7] = GuardedCopy(tt.t(), "XYZ", -1, __LINE__, "banks");
  struct Check {
    const char* args;
    int32_t binary;  // the code with the text-dialect flag 0
    int32_t text;    // ... and 1
  };
  const Check checks[] = {
      {"ab|05cd", 0, 0},    {"|5", 9, 9},
      {"ab|5cd", 9, 9},     {"|D07", 0, 0},
      {"|D08", 2, 2},       {"|D7x", 9, 9},
      {"|X4|A", 9, 9},      {"|X414|A", 9, 9},
      {"|X4142|A", 0, 0},   {"|X4142", 0, 0},
      {"|X41 44|A", 9, 9},                        // the blank takes a 4 with it
      {"|X41 442|A", 0, 0},                       // ... and 42 is a pair again
      {"|X41G2|A", 9, 9},   {"|Xtxt|A|5", 9, 9},  // text without hex digits is skipped to |A
      {"|Xtxt|A|05", 0, 0}, {"||D99|E|L|H|A|B|C", 0, 0},
      {"|Z|q", 9, 0},       {"x|", 9, 0},
      {"|T|5", 9, 0},  // in the text dialect the rest is a settings list
      {"/|5", 9, 9},
  };
  for (const Check& c : checks) {
    tt.t().records.text_dialect = 0;
    EXPECT_EQ(CheckArguments(tt.t(), c.args, nullptr, 1), c.binary) << c.args;
    tt.t().records.text_dialect = 1;
    EXPECT_EQ(CheckArguments(tt.t(), c.args, nullptr, 1), c.text) << c.args;
  }
}

TEST(CheckArguments, Strings) {
  TestTerminal tt;
  int32_t count = -1;
  EXPECT_EQ(CheckArguments(tt.t(), "\\Qty:\\A1\\Lot:\\B22", &count, 1), 0);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(CheckArguments(tt.t(), "\\Qty:\\", &count, 1), 5);
  EXPECT_EQ(CheckArguments(tt.t(), "\\Qty:\\A", &count, 1), 2);
  EXPECT_EQ(CheckArguments(tt.t(), "\\Qty:\\\\1", &count, 1), 2);
  EXPECT_EQ(CheckArguments(tt.t(), "\\Qty:\\A\\", &count, 1), 2);
  // Without strings a backslash is an ordinary byte.
  EXPECT_EQ(CheckArguments(tt.t(), "\\Qty:\\", &count, 0), 0);
  EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace marl::testing
