#include "commands/screen_mode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/form.h"
#include "host_records.h"
#include "screen/display.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

// The reply, the screen, grid and terminal sizes, and the events.
std::string Mode(TestTerminal& tt, const char* body) {
  tt.Host(Command(body));
  const ScreenState& s = tt.t().screen;
  std::string out = tt.Sent() + " " + std::to_string(s.rows) + "x" + std::to_string(s.columns) +
                    " " + std::to_string(s.grid_rows) + "x" + std::to_string(s.grid_columns) + " " +
                    std::to_string(GetTerminalRows(tt.t()));
  for (const std::string& e : tt.Events()) {
    if (e.rfind("refused ", 0) != 0) out += " " + e;  // refusal_test's subject
  }
  return out;
}

TEST(ScreenMode, ValidAndInvalidModes) {
  TestTerminal tt(16, 20);
  // A bad mode changes nothing and says so.
  for (const char* body : {"\\C12", "\\CX", "\\C", "\\C1234567890123", "\\C12345a", "\\C 0"}) {
    EXPECT_EQ(Mode(tt, body),
              Status('9') + " 16x20 16x20 16 msgbox \"\" \"Invalid screen mode!\" ok ok")
        << body;
  }
  const std::pair<const char*, std::string> modes[] = {
      {"\\C3", Status('1') + " 16x20 16x20 16"},
      {"\\C123456", Status('0') + " 16x20 16x20 16"},
      {"\\C123456789012", Status('0') + " 16x20 16x20 16"},
      {"\\C0", Status('0') + " 9x16 9x16 9"},
      {"\\C1", Status('0') + " 9x21 9x21 9"},
      {"\\C5", Status('0') + " 9x20 9x20 9"},
      {"\\C6", Status('0') + " 9x20 9x20 9"},
  };
  for (const auto& [body, out] : modes) EXPECT_EQ(Mode(tt, body), out) << body;
  // Every cell of the new size can be written.
  UpdateRow(tt.t(), 8, 0, 20, "ABCDEFGHIJKLMNOPQRST", 0);
  EXPECT_EQ(tt.GridRow(8), "ABCDEFGHIJKLMNOPQRST");
}

}  // namespace
}  // namespace marl::testing
