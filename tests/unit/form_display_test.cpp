#include "forms/form_display.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "command_record.h"
#include "forms/form.h"
#include "forms/form_builder.h"
#include "scenario.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

TEST(FormDisplay, FormWiderThanAScreenWiderThanTheBlankSource) {
  TestTerminal tt(3, 120);
  HostRecord* r = CommandRecord(tt.t(), Header(), "\\S\\|H\x08" + std::string(125, 'a') + "^\nrow");
  Form* form = BuildRecordForm(tt.t(), r, {3, 130, 0});
  ASSERT_NE(form, nullptr);
  DrawForm(tt.t(), form);
  // Its left part shows, in its one run's attribute; the blank row is wider than the blanks
  // it is drawn from.
  EXPECT_EQ(tt.Row(0) + tt.Row(1), std::string(120, 'a') + "row" + std::string(117, ' '));
  RunScenario(tt, "attrs 0 " + std::string(120, '8') + " ; attrs 1 " + std::string(120, '8'));
  EXPECT_EQ(tt.Row(2), std::string(120, ' '));
  FreeHostRecord(tt.t(), r);
}

TEST(FormDisplay, ScrollFormToBringsARowOntoTheScreen) {
  TestTerminal tt(4, 10);
  std::string text = "\\";
  for (char i = 'a'; i < 'm'; ++i) text += std::string("row ") + i + "^\n";
  BuiltForm b = BuildFieldForm(tt.t(), text);
  // Below the page: to the last screen row; on it: nothing moves; above it: to the first
  // screen row; never past the text's end nor above its first row.
  const std::tuple<int32_t, int32_t, const char*> steps[] = {
      {9, 3, "row g"}, {7, 1, "row g"}, {2, 0, "row c"}, {40, 38, "row c"}, {-3, -3, "row a"}};
  for (const auto& [row, screen_row, top] : steps) {
    EXPECT_EQ(ScrollFormTo(tt.t(), b.form, row), screen_row) << row;
    EXPECT_EQ(tt.Row(0).substr(0, 5), top) << row;
  }
  FreeHostRecord(tt.t(), b.record);
  // A host's form (its entry on row 12) paged down: the rows past its text show blank.
  std::string form = "binary ; host/0,0,1,120 ";
  for (char i = 'a'; i < 'o'; ++i) form += std::string("row ") + i + "^<0A>";
  RunScenario(tt, form + " ; key PageDown ; row 0 row m ; row 1 row n^ ; row 2 ; sent");
}

// Header 0x4400: a beep when shown, and a stored form's marks cleared when
// shown again; with timing on (Ctrl+T) the response time shows instead of the
// first row, and in auto mode a pause comes instead of the beep.
TEST(FormDisplay, ShowingBeepsTimesAndClearsTheMarksOfStoredForms) {
  TestTerminal tt(4, 20);
  tt.platform().set_now(1000000);
  RunScenario(tt, R"(binary ; events ; host/4400 \3T\Name:\@abc\ ; events beep 1000 120
      row 0 Name:abc ; type x ; key Enter ; sent K\3\0\Kxbc ; char 20)");
  tt.platform().set_now(1000000 + 35 * 10000);
  RunScenario(tt, R"(host/4400 \3 ; row 0 Rsp 35ms ; events beep 1000 120 ; key Enter ; sent K\3
      hotkey 4 ; events sleep 500 ; host/4400 \3 ; events sleep 100)");
}

}  // namespace
}  // namespace marl::testing
