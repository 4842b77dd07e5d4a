#include "app/rendering.h"

#include <gtest/gtest.h>

#include "alloc/guarded_alloc.h"
#include "platform/messages.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

TEST(Rendering, CellFontsByAttribute) {
  TestTerminal tt;
  const Terminal& t = tt.t();
  CellStyle s = SelectCellFont(t, 0x09);
  EXPECT_EQ(s.font, CellFont::kBold);
  EXPECT_TRUE(s.reverse);
  EXPECT_EQ(s.width, 10);
  s = SelectCellFont(t, 0x0A);
  EXPECT_EQ(s.font, CellFont::kBoldUnderlined);
  EXPECT_FALSE(s.reverse);
  s = SelectCellFont(t, 0x04);  // no meaning for drawing
  EXPECT_EQ(s.font, CellFont::kNormal);
  EXPECT_EQ(s.width, 11);
  EXPECT_EQ(s.height, 13);
  tt.t().screen.run_drawing = 1;
  EXPECT_EQ(SelectCellFont(t, 0x02).width, 10);
}

class DrawText : public ::testing::Test {
 protected:
  void Send(int32_t row, int32_t column, int32_t length, const char* text, uint8_t attribute) {
    Terminal& t = tt_.t();
    DrawRequest& q = t.screen.draw;
    SetCursor(t, row, column);
    q.text = GuardedCopy(t, text, -1, __LINE__, "test");
    owned_ = q.text;
    q.length = length;
    q.attribute = attribute;
    tt_.platform().SendMessage(kWmDrawText, reinterpret_cast<uintptr_t>(&q), 0);
  }
  TestTerminal tt_;
  char* owned_ = nullptr;
};

TEST_F(DrawText, LengthFromTheTextNotTheRequest) {
  const int32_t in_use = tt_.t().alloc.bytes_in_use;
  Send(2, 4, 5, "abc", 0x01);
  EXPECT_EQ(tt_.Row(2).substr(0, 10), "    abc   ");
  EXPECT_EQ(tt_.platform().cell(2, 6).attribute, 0x01);
  EXPECT_EQ(tt_.t().screen.draw.column, 7);
  EXPECT_EQ(tt_.t().screen.draw.row, 2);
  EXPECT_EQ(tt_.t().screen.draw.text, nullptr);
  EXPECT_EQ(tt_.t().screen.draw.attribute, 0);
  EXPECT_EQ(tt_.t().alloc.bytes_in_use, in_use);  // the window released it
}

TEST_F(DrawText, OneCharacterLeavesTheTextToItsOwner) {
  const int32_t in_use = tt_.t().alloc.bytes_in_use;
  Send(1, 0, 1, "xyz", 0);
  EXPECT_EQ(tt_.Row(1).substr(0, 3), "x  ");
  EXPECT_EQ(tt_.t().screen.draw.column, 1);
  EXPECT_GT(tt_.t().alloc.bytes_in_use, in_use);
  GuardedFree(tt_.t(), owned_, __LINE__, "test");
}

TEST_F(DrawText, ZeroLengthDrawsNothingAndStays) {
  Send(3, 5, 0, "q", 0);
  EXPECT_EQ(tt_.Row(3), std::string(20, ' '));
  EXPECT_EQ(tt_.t().screen.draw.column, 5);
  GuardedFree(tt_.t(), owned_, __LINE__, "test");
}

TEST(Rendering, DrawLineGoesToTheNextRowWhateverItsLength) {
  TestTerminal tt;
  DrawAt(tt.t(), 4, 17, 8, "ABCDEFGH", 0x02);
  EXPECT_EQ(tt.Row(4).substr(17), "ABC");  // clipped by the window's edge
  EXPECT_EQ(tt.platform().cell(4, 18).attribute, 0x02);
  EXPECT_EQ(tt.t().screen.draw.row, 5);
  EXPECT_EQ(tt.t().screen.draw.column, 0);
}

TEST(Rendering, SplashIsCentred) {
  TestTerminal narrow(16, 20);
  ShowSplash(narrow.t());
  EXPECT_EQ(narrow.Row(4), "      CORVANEX      ");
  EXPECT_EQ(narrow.Row(7), "Marlpoint Simulator ");
  EXPECT_EQ(narrow.Row(9), "    Version 2.30    ");
  EXPECT_EQ(narrow.Row(12), "  Windows NT/2000   ");

  TestTerminal odd(16, 21);
  ShowSplash(odd.t());
  EXPECT_EQ(odd.Row(4).find('C'), 6u);
  EXPECT_EQ(odd.Row(7).find('M'), 1u);
  EXPECT_EQ(odd.Row(9).find('V'), 4u);
  EXPECT_EQ(odd.Row(12).find('W'), 3u);
}

}  // namespace
}  // namespace marl::testing
