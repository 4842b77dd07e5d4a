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

TEST(ScreenMode, Modes) {
  TestTerminal tt(16, 20);
  const std::pair<const char*, std::string> modes[] = {
      {"\\C3", "16x20 grid 16x20 terminal rows 16"},
      {"\\C123456", "16x20 grid 16x20 terminal rows 16"},
      {"\\C123456789012", "16x20 grid 16x20 terminal rows 16"},
      {"\\C0", "9x16 grid 9x16 terminal rows 9"},
      {"\\C1", "9x21 grid 9x21 terminal rows 9"},
      {"\\C5", "9x20 grid 9x20 terminal rows 9"},
      {"\\C6", "9x20 grid 9x20 terminal rows 9"},
  };
  for (const auto& [body, size] : modes) {
    tt.Host(Command(body));
    EXPECT_EQ(tt.Sent(), Status(body == std::string("\\C3") ? '1' : '0')) << body;
    EXPECT_EQ(Size(tt), size) << body;
  }
  EXPECT_EQ(tt.Events(), Events{});  // no message box for any of them
  // Every cell of the new size can be written.
  tt.Host(Command("\\C0"));
  UpdateRow(tt.t(), 8, 0, 16, "ABCDEFGHIJKLMNOP", 0);
  EXPECT_EQ(tt.GridRow(8), "ABCDEFGHIJKLMNOP");
}

TEST(ScreenMode, Invalid) {
  TestTerminal tt(16, 20);
  for (const char* mode : {"\\C12", "\\CX", "\\C", "\\C1234567890123", "\\C12345a", "\\C 0"}) {
    tt.Host(Command(mode));
    EXPECT_EQ(tt.Sent(), Status('9')) << mode;
    EXPECT_EQ(tt.Events(), Events{"msgbox \"\" \"Invalid screen mode!\" ok ok"}) << mode;
  }
  EXPECT_EQ(Size(tt), "16x20 grid 16x20 terminal rows 16");
}

}  // namespace
}  // namespace marl::testing
