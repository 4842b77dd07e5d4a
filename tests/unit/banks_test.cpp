#include "interp/banks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host_records.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

class Banks : public ::testing::Test {
 protected:
  std::string Bank(int32_t n) {
    const char* s = tt.t().banks.slots[n];
    return s == nullptr ? "<empty>" : s;
  }
  // A B command; returns its status reply.
  std::string B(const std::string& arguments) {
    tt.Host(Command("\\B" + arguments));
    return tt.Sent();
  }
  // An expansion, or "<null>" and the status reply sent.
  std::string Expand(const std::string& text) {
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

TEST_F(Banks, Load) {
  EXPECT_EQ(B("\\AB\\CD"), Status('0'));
  EXPECT_EQ(Bank(0) + Bank(1), "ABCD");
  // An empty segment empties its bank without moving on; banks above the
  // last one loaded keep their strings; a trailing '\' empties the next.
  EXPECT_EQ(B("U\\5\\keep"), Status('0'));
  EXPECT_EQ(B("\\X\\\\Y\\"), Status('0'));
  EXPECT_EQ(Bank(0) + Bank(1) + Bank(2) + Bank(5), "XY<empty>keep");

  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += "\\" + std::to_string(i);
  EXPECT_EQ(B(hundred.substr(0, hundred.rfind('\\'))), Status('0'));
  EXPECT_EQ(B(hundred), Status('4'));
  EXPECT_EQ(B(hundred + "\\extra"), Status('4'));
  EXPECT_EQ(Bank(99), "99");
}

TEST_F(Banks, UpdateAndErase) {
  EXPECT_EQ(B("U\\7\\XYZ"), Status('0'));
  EXPECT_EQ(B("U\\12\\abc"), Status('0'));
  EXPECT_EQ(B("u\\13\\"), Status('0'));
  EXPECT_EQ(Bank(7) + "," + Bank(12) + "," + Bank(13), "XYZ,abc,");
  const std::pair<const char*, char> refused[] = {
      {"U\\100\\X", '4'}, {"U\\\\X", '4'}, {"U\\7X", '9'},    {"U7\\X", '9'},
      {"U", '9'},         {"E\\7", '9'},   {"E\\100\\", '9'}, {"E\\\\", '4'},
      {"Ex", '9'},        {"X", '9'},      {"", '9'},         {"\\a|5", '9'}};
  for (const auto& [arguments, code] : refused) EXPECT_EQ(B(arguments), Status(code)) << arguments;
  EXPECT_EQ(Bank(7), "XYZ");
  EXPECT_EQ(B("E\\07\\"), Status('0'));
  EXPECT_EQ(Bank(7) + Bank(12), "<empty>abc");
  EXPECT_EQ(B("e"), Status('0'));
  EXPECT_EQ(Bank(12), "<empty>");
}

TEST_F(Banks, ResetEmptiesEveryBank) {
  const int32_t before = tt.t().alloc.bytes_in_use;
  EXPECT_EQ(B("\\a\\b\\c"), Status('0'));
  tt.Host("\xFF\n");
  EXPECT_EQ(Bank(0), "<empty>");
  EXPECT_EQ(tt.t().alloc.bytes_in_use, before);
}

TEST_F(Banks, Expansion) {
  // Until a text-dialect record points it at the buffer there is no work
  // buffer, and the text stands as it is.
  char text[] = "A|D07B";
  int32_t length = -1;
  EXPECT_EQ(ExpandBankRefs(tt.t(), &length, text), text);
  EXPECT_EQ(length, -1);

  tt.t().banks.work = tt.t().banks.work_buffer;
  B("U\\7\\XYZ");
  B("U\\8\\");
  B("U\\9\\<|D07>");
  EXPECT_EQ(Expand("A|D07B"), "AXYZB");
  EXPECT_EQ(Expand("|D07|D07"), "XYZXYZ");
  EXPECT_EQ(Expand("A|D08B"), "AB");
  EXPECT_EQ(Expand("A|D09B"), "A<|D07>B");  // bank strings go in as they stand
  EXPECT_EQ(Expand("||D07"), "||D07");      // an escaped bar
  EXPECT_EQ(Expand(""), "");
  for (const char* bad : {"A|D10B", "A|D7", "A|Dx7"}) {
    EXPECT_EQ(Expand(bad), "<null> " + Status('4')) << bad;
  }
  // A bad reference is reported even while replies are switched off.
  SetStatusReplies(tt.t(), 0);
  EXPECT_EQ(Expand("|D55"), "<null> " + Status('4'));
  EXPECT_EQ(StatusRepliesOn(tt.t()), 1);
}

TEST_F(Banks, ExpansionBeyondTheWorkBufferIsRefused) {
  tt.t().banks.work = tt.t().banks.work_buffer;
  const std::string big(4000, 'x');
  B("U\\1\\" + big);
  EXPECT_EQ(Expand("ab|D01"), "ab" + big);
  EXPECT_EQ(Expand("ab|D01|D01"), "<null> " + Status('3'));
  EXPECT_EQ(Expand(std::string(95, 'y') + "|D01").size(), 4095u);  // and the zero
  EXPECT_EQ(Expand(std::string(96, 'y') + "|D01"), "<null> " + Status('3'));
  EXPECT_EQ(Expand(std::string(4096, 'z')), "<null> " + Status('3'));
}

}  // namespace
}  // namespace marl::testing
