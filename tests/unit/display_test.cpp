#include "screen/display.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "terminal_fixture.h"

namespace marl::testing {
namespace {

class Display : public ::testing::Test {
 protected:
  // Lets the forms reset the cleared flag, as they do after drawing.
  void SetUp() override { ResetClearedFlag(t()); }
  Terminal& t() { return tt_.t(); }
  std::string Cursor() {
    return std::to_string(t().screen.draw.row) + "," + std::to_string(t().screen.draw.column);
  }
  TestTerminal tt_{16, 20};
};

TEST_F(Display, UpdateRowDrawsOnlyTheChangedSpan) {
  UpdateRow(t(), 3, 2, 5, "HELLO", 0);  // first time: differs from blanks
  EXPECT_EQ(tt_.Row(3).substr(0, 8), "  HELLO ");
  // Same bytes: nothing drawn at all; the cursor stays where it was.
  tt_.platform().EraseClient();
  SetCursor(t(), 9, 9);
  UpdateRow(t(), 3, 2, 5, "HELLO", 0);
  EXPECT_EQ(tt_.Row(3) + Cursor(), std::string(20, ' ') + "9,9");
  // One byte changed: exactly that byte; the cursor then goes to the next row.
  UpdateRow(t(), 3, 2, 5, "HEXLO", 8);
  EXPECT_EQ(tt_.Row(3) + Cursor(), "    X" + std::string(15, ' ') + "4,0");
  EXPECT_EQ(tt_.platform().cell(3, 4).attribute, 8);
  // Row 0 is drawn whole even when unchanged, and every row after a clear.
  UpdateRow(t(), 0, 0, 3, "ABC", 0);
  tt_.platform().EraseClient();
  UpdateRow(t(), 0, 0, 3, "ABC", 0);
  EXPECT_EQ(tt_.Row(0).substr(0, 3), "ABC");
  ClearScreen(t());
  UpdateRow(t(), 3, 2, 5, "HEXLO", 0);
  EXPECT_EQ(tt_.Row(3).substr(0, 8), "  HEXLO ");
}

TEST_F(Display, WritesStayInsideTheRowAndTheGrid) {
  // The first and last rows and columns; a text longer than the rest of its
  // row, cut at the row's end; one past each bound, where nothing is written.
  for (const auto& [row, column] :
       {std::pair{0, 0}, {15, 19}, {3, 17}, {4, -1}, {4, 20}, {-1, 0}, {16, 0}}) {
    UpdateRow(t(), row, column, 5, "WWWWW", 0);
  }
  EXPECT_EQ(tt_.GridRow(0), "WWWWW" + std::string(15, ' '));
  EXPECT_EQ(tt_.GridRow(3) + tt_.GridRow(4), std::string(17, ' ') + "WWW" + std::string(20, ' '));
  EXPECT_EQ(tt_.GridRow(15) + char('0' + t().screen.grid[16 * 20]), std::string(19, ' ') + "W0");
  // A size set without a new grid cannot lead writes past the old one, nor
  // can a grid of no cells or a size too large to have one.
  SetScreenRows(t(), 40);
  UpdateRow(t(), 30, 0, 5, "AAAAA", 0);
  SetScreenRows(t(), 16);
  EXPECT_EQ(tt_.GridRow(2), std::string(20, ' '));
  // The cursor is clamped to the screen, bounds included.
  SetCursor(t(), -5, 200);
  EXPECT_EQ(Cursor(), "0,20");
  SetCursor(t(), 16, 0);
  EXPECT_EQ(Cursor(), "16,0");
  for (int32_t size : {0, 1 << 20}) {
    TestTerminal sized(size, size);
    UpdateRow(sized.t(), 0, 0, 1, "A", 0);
    RepaintScreen(sized.t());
  }
}

TEST_F(Display, DrawLinesCursorPlacement) {
  char two_lines[] = "AB\nCD";
  DrawLines(t(), 0, 0, two_lines);
  EXPECT_EQ(tt_.Row(0).substr(0, 3) + tt_.Row(1).substr(0, 3) + Cursor(), "AB CD 2,0");
  EXPECT_EQ(std::memcmp(two_lines, "AB\0CD", 6), 0);  // line feeds overwritten
  char one_line[] = "AB";
  DrawLines(t(), 0, 0, one_line);
  EXPECT_EQ(Cursor(), "0,2");
  // One-character and empty segments are freed by the driver, not leaked.
  const int32_t in_use = t().alloc.bytes_in_use;
  char short_lines[] = "A\n\nB";
  DrawLines(t(), 5, 0, short_lines);
  DrawLines(t(), 9, 3, one_line + 2);
  EXPECT_EQ(t().alloc.bytes_in_use, in_use);
  EXPECT_EQ(tt_.Row(7)[0], 'B');
}

TEST_F(Display, RepaintDrawsRowsFromGridInAttributeRuns) {
  UpdateRow(t(), 1, 0, 20, "abcdefghijklmnopqrst", 0);
  UpdateRow(t(), 15, 0, 19, "0123456789012345678", 0);
  const auto attributes = [&] {
    std::string a;
    for (int32_t c = 3; c <= 11; ++c) a += char('0' + tt_.platform().cell(1, c).attribute);
    return a;
  };
  // Runs: 0..24 bold, 25..29 reverse (row 1, columns 5..9), then bold.
  ScreenState& f = t().screen;
  f.runs[0] = {kAttrBold, 0};
  f.runs[1] = {kAttrReverse, 25};
  f.runs[2] = {kAttrBold, 30};
  f.run_count = 3;
  RepaintScreen(t());
  EXPECT_EQ(tt_.Row(1) + " " + attributes(), "abcdefghijklmnopqrst 881111188");
  // The grid's last cell is its terminator, so the last row stops short.
  EXPECT_EQ(tt_.Row(15), "0123456789012345678 ");
  // With one run every row is one piece in the first run's attribute.
  f.run_count = 1;
  RepaintScreen(t());
  EXPECT_EQ(attributes(), "888888888");
}

}  // namespace
}  // namespace marl::testing
