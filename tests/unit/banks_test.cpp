#include "forms/banks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/terminal_config.h"
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
  // B commands in order; the status code of each.
  std::string B(const std::vector<std::string>& commands) {
    std::string codes;
    for (const std::string& arguments : commands) {
      tt.Host(Command("\\B" + arguments));
      codes += tt.Sent().substr(3);
    }
    return codes;
  }
  // An expansion, or "<null>" and the status reply sent.
  std::string Expand(std::string text) {
    int32_t length = -1;
    const char* out = ExpandBankRefs(tt.t(), &length, text.data());
    if (out == nullptr) return "<null> " + tt.Sent();
    EXPECT_EQ(length, int32_t(std::strlen(out)));
    return out;
  }
  TestTerminal tt;
};

TEST_F(Banks, LoadUpdateAndErase) {
  const int32_t before = tt.t().alloc.bytes_in_use;
  // An empty segment empties its bank without moving on; banks above the
  // last one loaded keep their strings; a trailing '\' empties the next.
  EXPECT_EQ(B({"U\\5\\keep", "\\X\\\\Y\\"}), "00");
  EXPECT_EQ(Bank(0) + Bank(1) + Bank(2) + Bank(5), "XY<empty>keep");
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += "\\" + std::to_string(i);
  EXPECT_EQ(B({hundred.substr(0, hundred.rfind('\\')), hundred}), "04");
  EXPECT_EQ(Bank(99), "99");
  EXPECT_EQ(B({"U\\7\\XYZ", "u\\13\\"}), "00");
  EXPECT_EQ(Bank(7) + "," + Bank(13), "XYZ,");
  EXPECT_EQ(B({"U\\100\\X", "U\\\\X", "U\\7X", "U7\\X", "U", "E\\7", "E\\100\\", "E\\\\", "Ex", "X",
               "", "\\a|5"}),
            "449999949999");
  EXPECT_EQ(Bank(7), "XYZ");
  EXPECT_EQ(B({"E\\07\\"}), "0");
  EXPECT_EQ(Bank(7) + Bank(8), "<empty>8");
  EXPECT_EQ(B({"e"}), "0");
  EXPECT_EQ(Bank(8), "<empty>");
  EXPECT_EQ(tt.t().alloc.bytes_in_use, before);
}

TEST_F(Banks, Expansion) {
  // Until a text-dialect record points it at the buffer there is no work
  // buffer, and the text stands as it is.
  char text[] = "A|D07B";
  int32_t length = -1;
  EXPECT_EQ(ExpandBankRefs(tt.t(), &length, text), text);
  EXPECT_EQ(length, -1);
  tt.Host("WB1\n");  // a text-dialect record: a beep
  tt.Events();
  B({"U\\7\\XYZ", "U\\8\\", "U\\9\\<|D07>"});
  EXPECT_EQ(Expand("A|D07B|D07"), "AXYZBXYZ");
  EXPECT_EQ(Expand("A|D08B"), "AB");
  EXPECT_EQ(Expand("A|D09B"), "A<|D07>B");  // bank strings go in as they stand
  EXPECT_EQ(Expand("||D07"), "||D07");      // an escaped bar
  for (const char* bad : {"A|D10B", "A|D7", "A|Dx7"}) {
    EXPECT_EQ(Expand(bad), "<null> " + Reply(kStatusBadNumber)) << bad;
  }
  // A bad reference is reported even while replies are switched off.
  SetStatusReplies(tt.t(), 0);
  EXPECT_EQ(Expand("|D55"), "<null> " + Reply(kStatusBadNumber));
  EXPECT_EQ(StatusRepliesOn(tt.t()), 1);
  // Nothing beyond the work buffer.
  const std::string big(4000, 'x');
  B({"U\\1\\" + big});
  EXPECT_EQ(Expand("ab|D01"), "ab" + big);
  EXPECT_EQ(Expand(std::string(95, 'y') + "|D01").size(), 4095u);  // and the zero
  // An escaped bar takes its two cells only when both fit.
  EXPECT_EQ(Expand(std::string(4093, 'z') + "||").size(), 4095u);
  for (const std::string& over : {std::string("ab|D01|D01"), std::string(96, 'y') + "|D01",
                                  std::string(4096, 'z'), std::string(4094, 'z') + "||"}) {
    EXPECT_EQ(Expand(over), "<null> " + Reply(kStatusNoRoom));
  }
}

}  // namespace
}  // namespace marl::testing
