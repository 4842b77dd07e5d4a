#include "interp/commands.h"

#include <gtest/gtest.h>

#include "host_records.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

using Events = std::vector<std::string>;

// The count and the letter: what follows '\' decides which handler runs.
TEST(CommandSyntax, CountAndLetter) {
  TestTerminal tt;
  // No count: \T is the tone command.
  tt.Host(Command("\\T"));
  EXPECT_EQ(tt.Events(), Events{"beep 1000 50"});
  EXPECT_EQ(tt.Sent(), Status('0'));
  // A count makes it the storing command (not built yet: status 1), no tone.
  tt.Host(Command("\\12T\\Qty:\\A1"));
  EXPECT_EQ(tt.Events(), Events{});
  EXPECT_EQ(tt.Sent(), Status('1'));
  // One digit of count, then the letter.
  tt.Host(Command("\\1x"));
  EXPECT_EQ(tt.Sent(), Status('1'));
  // Two digits at most: the third is the letter.
  tt.Host(Command("\\123C0"));
  EXPECT_EQ(tt.Sent(), Status('1'));
  EXPECT_EQ(tt.t().screen.columns, 20);
  tt.Host(Command("\\12c0"));
  EXPECT_EQ(tt.Sent(), Status('0'));
  EXPECT_EQ(tt.t().screen.columns, 16);
}

TEST(CommandSyntax, BareBackslashShowsATableWithoutReply) {
  TestTerminal tt;
  const int32_t before = tt.t().alloc.bytes_in_use;
  tt.Host(Command("\\"));
  tt.Host(Command("\\7"));
  tt.Host(Command("\\42"));
  EXPECT_EQ(tt.Sent(), "");
  EXPECT_EQ(tt.t().alloc.bytes_in_use, before);
}

TEST(CommandSyntax, UnsupportedAndSilentLetters) {
  TestTerminal tt;
  tt.Host(Command("\\Z"));
  EXPECT_EQ(tt.Sent(), Status('1'));
  tt.Host(Command("\\D anything"));
  EXPECT_EQ(tt.Sent(), "");
  tt.Host(Command("\\R\\a\\bc"));
  EXPECT_EQ(tt.Sent(), Status('1'));
  tt.Host(Command("\\R|5"));
  EXPECT_EQ(tt.Sent(), Status('9'));
}

TEST(CommandSyntax, EveryRecordIsReleased) {
  TestTerminal tt;
  const int32_t before = tt.t().alloc.bytes_in_use;
  for (const char* body : {"\\T",
                           "\\T999",
                           "\\3T\\a\\bc",
                           "\\S\\a\\bc",
                           "\\S|5",
                           "\\U\\1I",
                           "\\V",
                           "\\D",
                           "\\F",
                           "\\O",
                           "\\Q",
                           "\\PING",
                           "\\PX",
                           "\\IR",
                           "\\IXN123",
                           "\\I",
                           "\\C9",
                           "\\K",
                           "\\B\\x",
                           "\\BE",
                           "/F\\a\\bc",
                           "plain table text",
                           "\\",
                           "\\Z",
                           ""}) {
    tt.Host(Command(body));
  }
  EXPECT_EQ(tt.t().alloc.bytes_in_use, before);
}

TEST(CommandReplies, StatusSwitchOffSendsNothing) {
  TestTerminal tt;
  SetStatusReplies(tt.t(), 0);
  tt.Host(Command("\\Z"));
  tt.Host(Command("\\T999"));
  tt.Host(Command("\\C12"));
  EXPECT_EQ(tt.Sent(), "");
}

// Markup checks of the arguments of S, T, U, Q, R, B and P.
TEST(CheckArguments, AttributesBanksAndHexRuns) {
  TestTerminal tt;
  tt.t().records.text_dialect = 0;
  const auto check = [&](const char* args) { return CheckArguments(tt.t(), args, nullptr, 1); };
  EXPECT_EQ(check("ab|05cd"), 0);
  EXPECT_EQ(check("ab|5cd"), 9);
  EXPECT_EQ(check("|5"), 9);
  EXPECT_EQ(check("|D07"), 2);
  EXPECT_EQ(check("|D7x"), 9);
  EXPECT_EQ(check("|X4|A"), 9);
  EXPECT_EQ(check("|X414|A"), 9);
  EXPECT_EQ(check("|X4142|A"), 0);
  EXPECT_EQ(check("|X4142"), 0);
  EXPECT_EQ(check("|X41 44|A"), 9);   // the blank takes a 4 with it
  EXPECT_EQ(check("|X41 442|A"), 0);  // ... and 42 is a pair again
  EXPECT_EQ(check("|X41G2|A"), 9);    // a non-hex byte inside a run
  EXPECT_EQ(check("|Xtxt|A|5"), 9);   // text without hex digits is skipped
  EXPECT_EQ(check("|Xtxt|A|05"), 0);
  EXPECT_EQ(check("|Xtxt"), 0);
  EXPECT_EQ(check("||D99|E|L|H|A|B|C"), 0);
  EXPECT_EQ(check("|Z"), 9);
  EXPECT_EQ(check("x|"), 9);
  EXPECT_EQ(check("|T|5"), 9);
  EXPECT_EQ(check("/|5"), 9);

  tt.t().banks.slots[7] = GuardedCopy(tt.t(), "XYZ", -1, __LINE__, "banks");
  EXPECT_EQ(check("|D07"), 0);
}

TEST(CheckArguments, TextDialectIsLenient) {
  TestTerminal tt;
  ASSERT_EQ(tt.t().records.text_dialect, 1);
  const auto check = [&](const char* args) { return CheckArguments(tt.t(), args, nullptr, 1); };
  EXPECT_EQ(check("|Z|q"), 0);
  EXPECT_EQ(check("x|"), 0);
  EXPECT_EQ(check("|TROWS=5;|5"), 0);  // the rest is a settings list
  EXPECT_EQ(check("|5"), 9);
  EXPECT_EQ(check("|D07"), 2);
  EXPECT_EQ(check("|X4|A"), 9);
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
  count = -1;
  EXPECT_EQ(CheckArguments(tt.t(), "\\Qty:\\", &count, 0), 0);
  EXPECT_EQ(count, 0);
  // Through a command: the check's code goes back and the handler never runs.
  tt.Host(Command("\\S\\Qty:\\"));
  EXPECT_EQ(tt.Sent(), Status('5'));
  tt.Host(Command("\\Q\\a\\b"));
  EXPECT_EQ(tt.Sent(), Status('2'));
}

TEST(PlayTone, FieldsAndTables) {
  TestTerminal tt;
  const auto tone = [&](const char* body) {
    tt.Host(Command(body));
    std::string out = tt.Sent();
    for (const std::string& e : tt.Events()) out += " " + e;
    return out;
  };
  EXPECT_EQ(tone("\\T100   005"), Status('0') + " beep 1000 400");
  EXPECT_EQ(tone("\\T100   011"), Status('L'));
  EXPECT_EQ(tone("\\T12x"), Status('V'));
  EXPECT_EQ(tone("\\T256"), Status('V'));
  EXPECT_EQ(tone("\\T255030"), Status('0') + " beep 9000 50");
  EXPECT_EQ(tone("\\T   000001"), Status('0') + " beep 20 4");
  EXPECT_EQ(tone("\\T   001010"), Status('0') + " beep 300 7999");
  EXPECT_EQ(tone("\\T   031"), Status('F'));
  EXPECT_EQ(tone("\\T      000"), Status('L'));
  EXPECT_EQ(tone("\\T      002"), Status('0') + " beep 1000 50");
  EXPECT_EQ(tone("\\T1000000000"), Status('L'));  // ten bytes
  EXPECT_EQ(tone("\\T10"), Status('V'));          // a field cut short
  EXPECT_EQ(tone("\\T         "), Status('0') + " beep 1000 50");
}

TEST(Ping, PingAnswersWithoutStatus) {
  TestTerminal tt;
  SetWaitingForHost(tt.t(), 1);
  tt.Host(Command("\\PING"));
  EXPECT_EQ(tt.Sent(), "");
  EXPECT_EQ(IsWaitingForHost(tt.t()), 0);
  tt.Host(Command("\\ping"));
  EXPECT_EQ(tt.Sent(), "");
  tt.Host(Command("\\PX"));
  EXPECT_EQ(tt.Sent(), Status('1'));
  tt.Host(Command("\\PIN"));
  EXPECT_EQ(tt.Sent(), Status('1'));
  tt.Host(Command("\\P|5"));
  EXPECT_EQ(tt.Sent(), Status('9'));
  tt.Host(Command("\\3P|5"));  // with a count the arguments are not checked
  EXPECT_EQ(tt.Sent(), Status('1'));
}

TEST(Identify, ReportAndInject) {
  TestTerminal tt(16, 20);
  tt.t().settings.setf0 = 1;
  tt.t().records.text_dialect = 0;
  tt.Host(Command("\\IR"));
  EXPECT_EQ(tt.Sent(), "IR16,20,00");
  EXPECT_EQ(tt.t().records.text_dialect, 1);
  EXPECT_EQ(tt.t().settings.setf0, 0);

  tt.Host(Command("\\IXN12345"));
  EXPECT_EQ(tt.t().records.text_dialect, 0);
  tt.Host(Command("\\ix12345"));
  EXPECT_EQ(tt.t().records.text_dialect, 1);
  tt.Host(Command("\\IXN"));
  EXPECT_EQ(tt.t().records.text_dialect, 0);
  tt.Host(Command("\\IX"));
  EXPECT_EQ(tt.t().records.text_dialect, 1);
  tt.Host(Command("\\IQ"));
  EXPECT_EQ(tt.Sent(), "");
}

}  // namespace
}  // namespace marl::testing
