#include "forms/form_display.h"

#include <gtest/gtest.h>

#include <string>

#include "command_record.h"
#include "forms/form.h"
#include "forms/form_builder.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

uint8_t Attr(TestTerminal& tt, int32_t row, int32_t column) {
  return tt.platform().cell(row, column).attribute;
}

// Text rows "r00" to "rNN", one per screen row of the fixture's width.
std::string NumberedRows(int32_t count) {
  std::string text = "\\";
  for (int32_t i = 0; i < count; ++i) {
    text += "r" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "^\n";
  }
  return text;
}

TEST(FormDisplay, DrawsTextRowsThenBlankRowsAndPlacesTheCursor) {
  TestTerminal tt(4, 20);
  tt.Row(0);
  BuiltForm b = BuildFieldForm(tt.t(), "\\Title^\nName:\\Aabc\\");
  DrawForm(tt.t(), b.form);
  EXPECT_EQ(tt.Row(0), "Title               ");
  EXPECT_EQ(tt.Row(1), "Name:abc            ");
  EXPECT_EQ(tt.Row(3), std::string(20, ' '));
  EXPECT_EQ(tt.platform().caret_x(), 5 * 11);
  EXPECT_EQ(tt.platform().caret_y(), 1 * 13);
  EXPECT_TRUE(tt.platform().caret_visible());
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormDisplay, AttributeChangeInsideARowDrawsItInPieces) {
  TestTerminal tt(4, 20);
  // Run 0 replaced at offset 0, run 1 added at offset 4 of row 0.
  BuiltForm b = BuildFieldForm(tt.t(), "\\|H\x01Head|H\x80line^\nName:\\Aab\\");
  ASSERT_EQ(tt.t().forms.run_count, 2);
  DrawForm(tt.t(), b.form);
  EXPECT_EQ(tt.Row(0).substr(0, 8), "Headline");
  for (int c = 0; c < 4; ++c) EXPECT_EQ(Attr(tt, 0, c), 0x01) << c;
  for (int c = 4; c < 20; ++c) EXPECT_EQ(Attr(tt, 0, c), 0x00) << c;
  EXPECT_EQ(Attr(tt, 1, 0), 0x00);
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormDisplay, OneRunDrawsEveryRowInItsAttribute) {
  TestTerminal tt(3, 10);
  BuiltForm b = BuildFieldForm(tt.t(),
                               "\\|H\x08"
                               "Bold^\nA:\\Ax\\");
  DrawForm(tt.t(), b.form);
  EXPECT_EQ(Attr(tt, 0, 0), 0x08);
  EXPECT_EQ(Attr(tt, 1, 3), 0x08);
  EXPECT_EQ(tt.t().screen.run_drawing, 0);
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormDisplay, ScreensWiderThanTheBlankSource) {
  TestTerminal tt(3, 120);
  BuiltForm b = BuildFieldForm(tt.t(), "\\|H\x02" + std::string(100, 'w') +
                                           "|H\x80"
                                           "end");
  DrawForm(tt.t(), b.form);
  EXPECT_EQ(tt.Row(0), std::string(100, 'w') + "end" + std::string(17, ' '));
  EXPECT_EQ(Attr(tt, 0, 99), 0x02);
  EXPECT_EQ(Attr(tt, 0, 100), 0x00);
  EXPECT_EQ(tt.Row(2), std::string(120, ' '));
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormDisplay, FormWiderThanTheScreenShowsItsLeftPart) {
  TestTerminal tt(3, 10);
  HostRecord* r = CommandRecord(tt.t(), Header(), "\\S\\" + std::string(25, 'a') + "^\nrow");
  Form* form = BuildRecordForm(tt.t(), r, {3, 30, 0});
  ASSERT_NE(form, nullptr);
  DrawForm(tt.t(), form);
  EXPECT_EQ(tt.Row(0), std::string(10, 'a'));
  EXPECT_EQ(tt.Row(1), "row       ");
  FreeHostRecord(tt.t(), r);
}

TEST(FormDisplay, ScrollFormToBringsARowOntoTheScreen) {
  TestTerminal tt(4, 10);
  BuiltForm b = BuildFieldForm(tt.t(), NumberedRows(12));
  ASSERT_EQ(b.form->row_count, 12);
  // Below the page: the row goes to the last screen row.
  EXPECT_EQ(ScrollFormTo(tt.t(), b.form, 9), 3);
  EXPECT_EQ(b.form->top_row, 6);
  EXPECT_EQ(tt.Row(0).substr(0, 3), "r06");
  EXPECT_EQ(tt.Row(3).substr(0, 3), "r09");
  // On the page: nothing moves.
  EXPECT_EQ(ScrollFormTo(tt.t(), b.form, 7), 1);
  EXPECT_EQ(b.form->top_row, 6);
  // Above the page: the row becomes the first screen row.
  EXPECT_EQ(ScrollFormTo(tt.t(), b.form, 2), 0);
  EXPECT_EQ(b.form->top_row, 2);
  EXPECT_EQ(tt.Row(0).substr(0, 3), "r02");
  // Past the text's end there is nothing to scroll to.
  EXPECT_EQ(ScrollFormTo(tt.t(), b.form, 40), 38);
  EXPECT_EQ(b.form->top_row, 2);
  // Nor above its first row.
  EXPECT_EQ(ScrollFormTo(tt.t(), b.form, -3), -3);
  EXPECT_EQ(b.form->top_row, 0);
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormDisplay, RowsPastTheTextShowBlank) {
  TestTerminal tt(6, 10);
  BuiltForm b = BuildFieldForm(tt.t(), NumberedRows(8));
  b.form->top_row = 5;
  DrawForm(tt.t(), b.form);
  EXPECT_EQ(tt.Row(2).substr(0, 3), "r07");
  EXPECT_EQ(tt.Row(3), std::string(10, ' '));
  EXPECT_EQ(tt.Row(5), std::string(10, ' '));
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormDisplay, ShowFormBeepsAndClearsAnOverwrittenScreen) {
  TestTerminal tt(4, 20);
  BuiltForm b = BuildFieldForm(tt.t(), "\\Name:\\Aabc\\", Header(0x4000));
  tt.Events();
  DrawAt(tt.t(), 3, 0, 5, "stale", 0);
  ShowForm(tt.t(), b.form);
  EXPECT_EQ(tt.Events(), (std::vector<std::string>{"beep 1000 120"}));
  EXPECT_EQ(tt.Row(0).substr(0, 8), "Name:abc");

  MarkFormOverwritten(tt.t());
  tt.t().screen.cleared = 0;
  ShowForm(tt.t(), b.form);
  EXPECT_EQ(tt.t().forms.overwritten, 1);  // stays set
  EXPECT_EQ(tt.t().screen.cleared, 0);     // cleared, then drawn
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormDisplay, AutoModeShowsTheElapsedTimeInsteadOfBeeping) {
  TestTerminal tt(4, 20);
  BuiltForm b = BuildFieldForm(tt.t(), "\\Name:\\Aabc\\", Header(0x4000));
  tt.Events();
  tt.t().keys.auto_mode = 1;
  ShowForm(tt.t(), b.form);
  EXPECT_EQ(tt.Events(), (std::vector<std::string>{"sleep 100"}));
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormDisplay, TimingLineAndModifiedMarks) {
  TestTerminal tt(4, 20);
  BuiltForm b = BuildFieldForm(tt.t(), "\\A:\\Ax\\B:\\Ay\\", Header(0x400));
  b.form->fields[0].modified = 1;
  tt.t().screen.timing = 1;
  tt.platform().set_now(1000000);
  tt.t().link.transmit_start = 1000000 - 35 * 10000;
  DrawForm(tt.t(), b.form);
  EXPECT_EQ(tt.Row(0).substr(0, 8), "Rsp 35ms");
  EXPECT_EQ(b.form->fields[0].modified, 1);  // not stored in a slot
  b.form->form_id = 3;
  DrawForm(tt.t(), b.form);
  EXPECT_EQ(b.form->fields[0].modified, 0);
  FreeHostRecord(tt.t(), b.record);
}

}  // namespace
}  // namespace marl::testing
