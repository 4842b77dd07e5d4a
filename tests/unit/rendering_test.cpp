#include "app/rendering.h"

#include <gtest/gtest.h>

#include "base/guarded_alloc.h"
#include "platform/messages.h"
#include "screen/display.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

// A draw request as the driver sends it; returns the text it handed over.
char* SendDrawText(TestTerminal& tt, int32_t row, int32_t column, int32_t length,
                   const char* text) {
  DrawRequest& q = tt.t().screen.draw;
  SetCursor(tt.t(), row, column);
  q.text = GuardedCopy(tt.t(), text, -1, "test");
  q.length = length;
  q.attribute = 0x01;
  char* sent = q.text;
  tt.platform().SendMessage(kWmDrawText, reinterpret_cast<uintptr_t>(&q), 0);
  return sent;
}

TEST(Rendering, DrawTextLengthFromTheTextNotTheRequest) {
  TestTerminal tt;
  const int32_t in_use = tt.t().alloc.bytes_in_use;
  SendDrawText(tt, 2, 4, 5, "abc");
  EXPECT_EQ(tt.Row(2).substr(0, 10), "    abc   ");
  EXPECT_EQ(tt.platform().cell(2, 6).attribute, 0x01);
  // The window released the text and cleared the request; the cursor moved.
  const DrawRequest& q = tt.t().screen.draw;
  EXPECT_EQ(q.text, nullptr);
  EXPECT_EQ(q.attribute, 0);
  EXPECT_EQ(q.column, 7);
  EXPECT_EQ(tt.t().alloc.bytes_in_use, in_use);
  // One character leaves the text to its owner; nothing at all moves nothing.
  GuardedFree(tt.t(), SendDrawText(tt, 1, 0, 1, "xyz"), "test");
  EXPECT_EQ(tt.Row(1).substr(0, 3), "x  ");
  EXPECT_EQ(q.column, 1);
  GuardedFree(tt.t(), SendDrawText(tt, 3, 5, 0, "q"), "test");
  EXPECT_EQ(tt.Row(3), std::string(20, ' '));
  EXPECT_EQ(q.column, 5);
  EXPECT_EQ(tt.t().alloc.bytes_in_use, in_use);
}

TEST(Rendering, SplashIsCentred) {
  const std::pair<int32_t, std::string> screens[] = {
      {20, "      CORVANEX      |Marlpoint Simulator |    Version 2.30    |  Windows NT/2000   "},
      {21,
       "      CORVANEX       | Marlpoint Simulator |    Version 2.30     |   Windows NT/2000   "},
  };
  for (const auto& [columns, rows] : screens) {
    TestTerminal tt(16, columns);
    ShowSplash(tt.t());
    EXPECT_EQ(tt.Row(4) + "|" + tt.Row(7) + "|" + tt.Row(9) + "|" + tt.Row(12), rows);
  }
}

}  // namespace
}  // namespace marl::testing
