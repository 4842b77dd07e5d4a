#include "interp/banks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host_records.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

std::string Bank(TestTerminal& tt, int32_t n) {
  const char* s = tt.t().banks.slots[n];
  return s == nullptr ? "<empty>" : s;
}

// Sends a B command and returns the status reply.
std::string B(TestTerminal& tt, const std::string& arguments) {
  tt.Host(Command("\\B" + arguments));
  return tt.Sent();
}

TEST(BankCommand, Load) {
  TestTerminal tt;
  EXPECT_EQ(B(tt, "\\AB\\CD"), Status('0'));
  EXPECT_EQ(Bank(tt, 0), "AB");
  EXPECT_EQ(Bank(tt, 1), "CD");

  // The empty segment empties bank 1 before CD fills it; banks above the
  // last one loaded keep their strings.
  tt.t().banks.slots[5] = GuardedCopy(tt.t(), "keep", -1, __LINE__, "banks");
  EXPECT_EQ(B(tt, "\\X\\\\Y"), Status('0'));
  EXPECT_EQ(Bank(tt, 0), "X");
  EXPECT_EQ(Bank(tt, 1), "Y");
  EXPECT_EQ(Bank(tt, 5), "keep");

  // A trailing backslash ends on an empty segment, which empties the bank
  // after the last string.
  EXPECT_EQ(B(tt, "\\Z\\"), Status('0'));
  EXPECT_EQ(Bank(tt, 0), "Z");
  EXPECT_EQ(Bank(tt, 1), "<empty>");
}

TEST(BankCommand, LoadStopsAfterBank99) {
  TestTerminal tt;
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += "\\" + std::to_string(i);
  EXPECT_EQ(B(tt, hundred), Status('4'));
  EXPECT_EQ(Bank(tt, 99), "99");
  EXPECT_EQ(B(tt, hundred + "\\extra"), Status('4'));
  EXPECT_EQ(Bank(tt, 99), "99");
  EXPECT_EQ(B(tt, hundred.substr(0, hundred.rfind('\\'))), Status('0'));
}

TEST(BankCommand, UpdateAndErase) {
  TestTerminal tt;
  EXPECT_EQ(B(tt, "U\\7\\XYZ"), Status('0'));
  EXPECT_EQ(Bank(tt, 7), "XYZ");
  EXPECT_EQ(B(tt, "u\\07\\"), Status('0'));
  EXPECT_EQ(Bank(tt, 7), "");
  EXPECT_EQ(B(tt, "U\\100\\X"), Status('4'));
  EXPECT_EQ(B(tt, "U\\\\X"), Status('4'));
  EXPECT_EQ(B(tt, "U\\7X"), Status('9'));
  EXPECT_EQ(B(tt, "U7\\X"), Status('9'));
  EXPECT_EQ(B(tt, "U"), Status('9'));

  EXPECT_EQ(B(tt, "U\\12\\abc"), Status('0'));
  EXPECT_EQ(B(tt, "E\\7"), Status('9'));
  EXPECT_EQ(B(tt, "E\\100\\"), Status('9'));
  EXPECT_EQ(B(tt, "E\\\\"), Status('4'));
  EXPECT_EQ(B(tt, "Ex"), Status('9'));
  EXPECT_EQ(Bank(tt, 7), "");
  EXPECT_EQ(B(tt, "E\\07\\"), Status('0'));
  EXPECT_EQ(Bank(tt, 7), "<empty>");
  EXPECT_EQ(Bank(tt, 12), "abc");
  EXPECT_EQ(B(tt, "e"), Status('0'));
  EXPECT_EQ(Bank(tt, 12), "<empty>");

  EXPECT_EQ(B(tt, "X"), Status('9'));
  EXPECT_EQ(B(tt, ""), Status('9'));
  EXPECT_EQ(B(tt, "\\a|5"), Status('9'));  // the arguments' markup is checked first
}

TEST(BankCommand, ResetEmptiesEveryBank) {
  TestTerminal tt;
  const int32_t before = tt.t().alloc.bytes_in_use;
  EXPECT_EQ(B(tt, "\\a\\b\\c"), Status('0'));
  tt.Host("\xFF\n");
  EXPECT_EQ(Bank(tt, 0), "<empty>");
  EXPECT_EQ(tt.t().alloc.bytes_in_use, before);
}

class Expand : public ::testing::Test {
 protected:
  void SetUp() override {
    tt.t().banks.work = tt.t().banks.work_buffer;
    tt.Host(Command("\\BU\\7\\XYZ"));
    tt.Sent();
  }
  // The expansion, or "<null>" with the status sent.
  std::string Run(const char* text) {
    buffer = text;
    int32_t length = -1;
    const char* out = ExpandBankRefs(tt.t(), &length, buffer.data());
    if (out == nullptr) return "<null> " + tt.Sent();
    EXPECT_EQ(length, int32_t(std::strlen(out)));
    return out;
  }
  TestTerminal tt;
  std::string buffer;
};

TEST_F(Expand, References) {
  EXPECT_EQ(Run("A|D07B"), "AXYZB");
  EXPECT_EQ(Run("|D07|D07"), "XYZXYZ");
  EXPECT_EQ(Run("||D07"), "||D07");  // an escaped bar
  EXPECT_EQ(Run("plain"), "plain");
  EXPECT_EQ(Run(""), "");
  EXPECT_EQ(Run("A|D08B"), "<null> " + Status('4'));
  EXPECT_EQ(Run("A|D7"), "<null> " + Status('4'));
  EXPECT_EQ(Run("A|Dx7"), "<null> " + Status('4'));
}

TEST_F(Expand, EmptyAndNestedBanks) {
  tt.Host(Command("\\BU\\8\\"));
  tt.Host(Command("\\BU\\9\\<|D07>"));
  tt.Sent();
  EXPECT_EQ(Run("A|D08B"), "AB");
  EXPECT_EQ(Run("A|D09B"), "A<|D07>B");  // bank strings go in as they stand
}

TEST_F(Expand, BadReferenceTurnsRepliesOn) {
  SetStatusReplies(tt.t(), 0);
  EXPECT_EQ(Run("|D55"), "<null> " + Status('4'));
  EXPECT_EQ(StatusRepliesOn(tt.t()), 1);
}

TEST_F(Expand, ResultThatWouldNotFitIsRefused) {
  std::string big(4000, 'x');
  tt.Host(Command("\\BU\\1\\" + big));
  tt.Sent();
  std::string text = "ab|D01";
  EXPECT_EQ(Run(text.c_str()), "ab" + big);
  text += "|D01";
  EXPECT_EQ(Run(text.c_str()), "<null> " + Status('3'));
  // The largest result that fits: 4095 bytes and the zero.
  std::string edge(4095 - 4000, 'y');
  edge += "|D01";
  EXPECT_EQ(Run(edge.c_str()).size(), 4095u);
  std::string over(4096, 'z');
  EXPECT_EQ(Run(over.c_str()), "<null> " + Status('3'));
}

TEST(ExpandBankRefs, WithoutWorkBufferTheTextStands) {
  TestTerminal tt;
  ASSERT_EQ(tt.t().banks.work, nullptr);
  char text[] = "A|D07B";
  int32_t length = -1;
  EXPECT_EQ(ExpandBankRefs(tt.t(), &length, text), text);
  EXPECT_EQ(length, -1);
}

}  // namespace
}  // namespace marl::testing
