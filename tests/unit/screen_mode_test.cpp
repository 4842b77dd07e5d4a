#include "setterm/screen_mode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_records.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

using Events = std::vector<std::string>;

std::string Size(TestTerminal& tt) {
  const ScreenState& s = tt.t().screen;
  return std::to_string(s.rows) + "x" + std::to_string(s.columns) + " grid " +
         std::to_string(s.grid_rows) + "x" + std::to_string(s.grid_columns) + " terminal rows " +
         std::to_string(GetTerminalRows(tt.t()));
}

TEST(ScreenMode, OneDigitModes) {
  TestTerminal tt(16, 20);
  tt.Host(Command("\\C0"));
  EXPECT_EQ(tt.Sent(), Status('0'));
  EXPECT_EQ(Size(tt), "9x16 grid 9x16 terminal rows 9");
  // The grid is blank and every cell of the new size can be written.
  EXPECT_EQ(tt.GridRow(8).size(), 16u);
  UpdateRow(tt.t(), 8, 0, 16, "ABCDEFGHIJKLMNOP", 0);
  EXPECT_EQ(tt.GridRow(8), "ABCDEFGHIJKLMNOP");

  tt.Events();
  tt.Host(Command("\\C1"));
  EXPECT_EQ(tt.Sent(), Status('0'));
  EXPECT_EQ(Size(tt), "9x21 grid 9x21 terminal rows 9");
  tt.Host(Command("\\C5"));
  EXPECT_EQ(Size(tt), "9x20 grid 9x20 terminal rows 9");
  tt.Host(Command("\\C6"));
  EXPECT_EQ(tt.Sent(), Status('0') + Status('0'));
  EXPECT_EQ(tt.Events(), Events{});  // no message box for any of them
}

TEST(ScreenMode, AcceptedAndRefused) {
  TestTerminal tt(16, 20);
  tt.Host(Command("\\C3"));
  EXPECT_EQ(tt.Sent(), Status('1'));
  EXPECT_EQ(tt.Events(), Events{});
  tt.Host(Command("\\C123456"));
  tt.Host(Command("\\C123456789012"));
  EXPECT_EQ(tt.Sent(), Status('0') + Status('0'));
  EXPECT_EQ(Size(tt), "16x20 grid 16x20 terminal rows 16");

  for (const char* mode : {"\\C12", "\\CX", "\\C", "\\C1234567890123", "\\C12345a", "\\C 0"}) {
    tt.Host(Command(mode));
    EXPECT_EQ(tt.Sent(), Status('9')) << mode;
    EXPECT_EQ(tt.Events(), Events{"msgbox \"\" \"Invalid screen mode!\" ok ok"}) << mode;
  }
  EXPECT_EQ(Size(tt), "16x20 grid 16x20 terminal rows 16");
}

}  // namespace
}  // namespace marl::testing
