#include "interp/display.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "terminal_fixture.h"

namespace marl::testing {
namespace {

class Display : public ::testing::Test {
 protected:
  Display() : tt_(16, 20) {}
  Terminal& t() { return tt_.t(); }
  int32_t CursorRow() { return t().screen.draw.row; }
  int32_t CursorColumn() { return t().screen.draw.column; }
  // Lets the forms reset the cleared flag, as they do after drawing.
  void Settle() { ResetClearedFlag(t()); }

  TestTerminal tt_;
};

TEST_F(Display, SetCursorClampsBothBoundsInclusive) {
  SetCursor(t(), -5, 200);
  EXPECT_EQ(CursorRow(), 0);
  EXPECT_EQ(CursorColumn(), 20);
  SetCursor(t(), 16, 0);
  EXPECT_EQ(CursorRow(), 16);
  EXPECT_EQ(tt_.platform().caret_y(), 16 * 13);
  // A narrow placement lasts for one call only.
  t().screen.cell_width = 10;
  SetCursor(t(), 1, 3);
  EXPECT_EQ(tt_.platform().caret_x(), 30);
  SetCursor(t(), 1, 3);
  EXPECT_EQ(tt_.platform().caret_x(), 33);
}

TEST_F(Display, UpdateRowDrawsOnlyTheChangedSpan) {
  Settle();
  UpdateRow(t(), 3, 2, 5, "HELLO", 0);  // first time: differs from blanks
  EXPECT_EQ(tt_.GridRow(3).substr(0, 8), "  HELLO ");
  EXPECT_EQ(tt_.Row(3).substr(0, 8), "  HELLO ");

  // Same bytes: nothing drawn at all; the cursor stays where it was.
  tt_.platform().EraseClient();
  SetCursor(t(), 9, 9);
  UpdateRow(t(), 3, 2, 5, "HELLO", 0);
  EXPECT_EQ(tt_.Row(3), std::string(20, ' '));
  EXPECT_EQ(CursorRow(), 9);

  // One byte in the middle changed: exactly that byte, cursor at its column,
  // which then moves to the next row once drawn.
  UpdateRow(t(), 3, 2, 5, "HEXLO", 8);
  EXPECT_EQ(tt_.Row(3), std::string("    X") + std::string(15, ' '));
  EXPECT_EQ(tt_.platform().cell(3, 4).attribute, 8);
  EXPECT_EQ(tt_.GridRow(3).substr(2, 5), "HEXLO");
  EXPECT_EQ(CursorRow(), 4);
  EXPECT_EQ(CursorColumn(), 0);
}

TEST_F(Display, RowZeroAndClearedScreenAlwaysDrawWhole) {
  Settle();
  UpdateRow(t(), 0, 0, 3, "ABC", 0);
  tt_.platform().EraseClient();
  UpdateRow(t(), 0, 0, 3, "ABC", 0);
  EXPECT_EQ(tt_.Row(0).substr(0, 3), "ABC");

  UpdateRow(t(), 5, 0, 3, "XYZ", 0);
  ClearScreen(t());
  EXPECT_EQ(tt_.Row(5).substr(0, 3), "   ");
  EXPECT_EQ(tt_.GridRow(5).substr(0, 3), "XYZ");  // the grid is kept
  UpdateRow(t(), 5, 0, 3, "XYZ", 0);
  EXPECT_EQ(tt_.Row(5).substr(0, 3), "XYZ");
}

TEST_F(Display, UpdateRowStaysInsideTheGrid) {
  Settle();
  const std::string wide(100, 'W');
  UpdateRow(t(), 15, 18, 100, wide.c_str(), 0);
  EXPECT_EQ(tt_.GridRow(15).substr(18), "WW");
  EXPECT_EQ(t().screen.grid[16 * 20], 0);
  UpdateRow(t(), 16, 0, 5, "AAAAA", 0);
  UpdateRow(t(), -1, 0, 5, "AAAAA", 0);
  UpdateRow(t(), 2, 25, 5, "AAAAA", 0);
  // A size set without a new grid cannot lead writes past the old one.
  SetScreenRows(t(), 40);
  UpdateRow(t(), 30, 0, 5, "AAAAA", 0);
  SetScreenRows(t(), 16);
  EXPECT_EQ(tt_.GridRow(2), std::string(20, ' '));
}

TEST_F(Display, DrawLinesCursorPlacement) {
  char two_lines[] = "AB\nCD";
  DrawLines(t(), 0, 0, two_lines);
  EXPECT_EQ(tt_.Row(0).substr(0, 3), "AB ");
  EXPECT_EQ(tt_.Row(1).substr(0, 3), "CD ");
  EXPECT_EQ(CursorRow(), 2);
  EXPECT_EQ(CursorColumn(), 0);
  EXPECT_EQ(std::memcmp(two_lines, "AB\0CD", 6), 0);  // line feeds overwritten

  char one_line[] = "AB";
  DrawLines(t(), 0, 0, one_line);
  EXPECT_EQ(CursorRow(), 0);
  EXPECT_EQ(CursorColumn(), 2);

  // One-character and empty segments are freed by the driver, not leaked.
  const int32_t in_use = t().alloc.bytes_in_use;
  char short_lines[] = "A\n\nB";
  DrawLines(t(), 5, 0, short_lines);
  char empty[] = "";
  DrawLines(t(), 9, 3, empty);
  EXPECT_EQ(t().alloc.bytes_in_use, in_use);
  EXPECT_EQ(tt_.Row(5)[0], 'A');
  EXPECT_EQ(tt_.Row(7)[0], 'B');
}

TEST_F(Display, ShowStatusOnlyThreeTimesInALife) {
  EXPECT_EQ(ShowStatus(t(), "one"), 0);
  EXPECT_EQ(ShowStatus(t(), "two"), 0);
  EXPECT_EQ(ShowStatus(t(), "three"), 0);
  EXPECT_EQ(tt_.Row(0).substr(0, 5), "three");
  EXPECT_EQ(ShowStatus(t(), "four"), 1);
  EXPECT_EQ(tt_.Row(0).substr(0, 5), "three");
  EXPECT_EQ(t().forms.overwritten, 1);
}

TEST_F(Display, DebugLinesOnlyWhileDebugging) {
  EXPECT_EQ(DrawDebugLine(t(), 0, "hidden"), 0);
  EXPECT_EQ(tt_.Row(14), std::string(20, ' '));
  ToggleDebugging(t());
  EXPECT_EQ(tt_.Row(0).substr(0, 9), "Debugging");
  DrawDebugLine(t(), 1, "shown");
  EXPECT_EQ(tt_.Row(13).substr(0, 5), "shown");
}

TEST_F(Display, RepaintDrawsRowsFromGridInAttributeRuns) {
  Settle();
  UpdateRow(t(), 1, 0, 20, "abcdefghijklmnopqrst", 0);
  // Runs: 0..24 plain, 25..29 reverse (row 1, columns 5..9), then plain.
  FormsState& f = t().forms;
  f.runs[0] = {0, 0};
  f.runs[1] = {kAttrReverse, 25};
  f.runs[2] = {0, 30};
  f.run_count = 3;
  RepaintScreen(t());
  EXPECT_EQ(tt_.Row(1), "abcdefghijklmnopqrst");
  EXPECT_EQ(tt_.platform().cell(1, 4).attribute, 0);
  EXPECT_EQ(tt_.platform().cell(1, 5).attribute, kAttrReverse);
  EXPECT_EQ(tt_.platform().cell(1, 9).attribute, kAttrReverse);
  EXPECT_EQ(tt_.platform().cell(1, 10).attribute, 0);
  EXPECT_EQ(t().screen.run_drawing, 0);
  EXPECT_TRUE(tt_.platform().caret_visible());

  // With one run every row is one piece in the first run's attribute.
  f.runs[0] = {kAttrBold, 0};
  f.run_count = 1;
  RepaintScreen(t());
  EXPECT_EQ(tt_.platform().cell(1, 0).attribute, kAttrBold);
  EXPECT_EQ(tt_.platform().cell(1, 12).attribute, kAttrBold);
}

TEST_F(Display, RepaintLeavesTheLastCellBlank) {
  Settle();
  UpdateRow(t(), 15, 0, 19, "0123456789012345678", 0);
  RepaintScreen(t());
  // The grid's last cell is its terminator, so the last row stops short.
  EXPECT_EQ(tt_.Row(15), "0123456789012345678 ");
}

TEST_F(Display, TuneAndErrorBeep) {
  PlayTune(t());
  auto events = tt_.Events();
  ASSERT_EQ(events.size(), 11u);
  EXPECT_EQ(events[0], "beep 131 100");
  EXPECT_EQ(events[4], "beep 165 100");
  EXPECT_EQ(events[9], "beep 123 60");
  Config(t()).beep_duration = 300;
  ErrorBeep(t());
  EXPECT_EQ(tt_.Events(), std::vector<std::string>{"beep 440 300"});
}

TEST_F(Display, PlaceFormCursorWrapsLongFieldsAndHonoursWaiting) {
  Form form;
  FormField field;
  field.row = 2;
  field.column = 18;
  field.attribute = 0x08;
  form.fields = &field;
  form.field_count = 1;
  form.column_count = 20;
  form.row_count = 16;
  form.cursor = 5;
  PlaceFormCursor(t(), &form);
  EXPECT_EQ(CursorRow(), 3);
  EXPECT_EQ(CursorColumn(), 3);
  EXPECT_EQ(tt_.platform().caret_x(), 30);  // bold field: 10-pixel step
  t().input.waiting = 1;
  PlaceFormCursor(t(), &form);
  EXPECT_EQ(CursorRow(), 0);
  EXPECT_EQ(CursorColumn(), 0);
  form.fields = nullptr;  // not owned by the guarded heap
}

TEST_F(Display, GridForAnySize) {
  t().screen.rows = 0;
  t().screen.columns = 0;
  ResizeScreenGrid(t());
  ASSERT_NE(GetScreenGrid(t()), nullptr);
  UpdateRow(t(), 0, 0, 1, "A", 0);
  RepaintScreen(t());
  t().screen.rows = 1 << 20;
  t().screen.columns = 1 << 20;
  ResizeScreenGrid(t());
  EXPECT_EQ(GetScreenGrid(t()), nullptr);
  UpdateRow(t(), 0, 0, 1, "A", 0);
  RepaintScreen(t());
}

}  // namespace
}  // namespace marl::testing
