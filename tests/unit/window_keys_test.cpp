#include "app/window_keys.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "base/screen_size.h"
#include "forms/form.h"
#include "host_records.h"
#include "input_fixture.h"
#include "platform/messages.h"
#include "scenario.h"
#include "screen/display.h"
#include "temp_dir.h"
#include "ui/core/window_input.h"

namespace marl::testing {
namespace {

using namespace std::string_literals;

// Keys with a character come as characters; the others as scan codes,
// which reach the key maps (a to x on F1 to F24) and the form.
TEST(WindowKeys, KeysComeAsCharactersOrAsScanCodesThatReachTheMaps) {
  TestTerminal tt;
  RunScenario(tt, R"(
      host \1T\a:\@          \
      host \F\a\b\c\d\e\f\g\h\i\j\k\l\m\n\o\p\q\r\s\t\u\v\w\x ; reply success ; vk Right
      char 0x31)");
  EXPECT_EQ(App(tt.t()).host_data[1], 0x4D);  // the character keeps the last scan code
  // 0xE4 is the other F12; Alt+F4 does nothing, the window stays.
  RunScenario(tt, R"(vk A Return F1 F2 F3 F4 0xE4 F24 ; syskey F10 F4 ; field 0  1abcdlxj ; sent)");
  EXPECT_FALSE(tt.platform().quit_posted());
}

// Keys without a character reach the form as their scan codes, each to its
// own action; then 'x' is typed.
#define FORM "binary ; host \\1T\\a:\\@abcd \\b:\\@    \\ ; "
const Scenario kScanCodes[] = {
    {"Home", FORM "vk End Home ; char 0x78 ; field 0 xbcd ; field 1"},
    {"EndPastTheLastCellNothingToTypeInto", FORM "vk End ; char 0x78 ; field 0 abcd ; field 1"},
    {"Left", FORM "vk End Left ; char 0x78 ; field 0 abcdx"},
    {"Delete", FORM "vk Delete ; char 0x78 ; field 0 xcd"},
    {"Insert", FORM "vk Insert ; char 0x78 ; field 0 xabcd"},
    {"DownToTheNextField", FORM "vk Down ; char 0x78 ; field 0 abcd ; field 1 x"},
    {"UpFromTheSecondField", FORM "vk Down Up ; char 0x78 ; field 0 xbcd ; field 1"},
    {"TabHasACharacterNotAScanCode", FORM "vk Tab ; char 0x78 ; field 0 xbcd ; field 1"},
};
#undef FORM
SCENARIOS(ScanCodes, kScanCodes);

TEST(WindowKeys, HotKeysPressKeysRunAutoModeOrEndTheProgram) {
  TestTerminal tt;
  // Hot key 2 clears the field, 3 presses the programmable key ('p', from
  // the parameters record), 7 clears the screen; 8 is not the terminal's, 12
  // does nothing outside auto mode.
  RunScenario(tt, R"(
      binary ; host \1T\a:\@abc \ ; bytes <86> p<04><01><7F><0A> ; hotkey 2 3 ; field 0 p
      hotkey 7 ; row 0 ; hotkey 8 12 ; sent)");
  tt.platform().set_now(123456789);
  RunScenario(tt, "hotkey 4 ; sent K\\1\\0\\Kp");  // auto mode starts with Enter
  EXPECT_EQ(tt.t().session.auto_start, 123456789u);
  EXPECT_EQ(tt.Events().back(), "sleep 500");
  // In auto mode 12 ends the turn again once the host has answered; 4 ends
  // auto mode, quietly; 11 powers up (in the text dialect).
  RunScenario(tt, R"(
      host \PING ; sent ; waiting 0 ; hotkey 12 ; sent K\1\0\Kp ; hotkey 4
      host \IR ; sent IR16,20,00 ; hotkey 11 ; sent P,Rows=16,Cols=20<00>IP=<IP>)");
  EXPECT_FALSE(tt.platform().quit_requested());
  RunScenario(tt, "char 24");  // Ctrl+X: hot key 1 through the window
  EXPECT_TRUE(tt.platform().quit_requested());
}

// Fields at column 5 on rows 0 to 4 (the last protected), and at column 0
// on rows 20 and 21.
TEST(WindowKeys, ClickMovesFieldByFieldToTheClickedOne) {
  TestTerminal tt;
  const std::string next_row(11, ' ');
  std::string form = "\\abcd:\\@    \\";
  for (const char* type : {"@", "@", "@", "D"}) form += next_row + "abcd:\\" + type + "    \\";
  form += next_row + std::string(15 * 20, ' ') + "\\@    \\" + std::string(16, ' ') + "\\@    \\";
  // Column 5 on row 3: Down three times; left of a field nothing; the last
  // cell of a field counts; the current field: no movement.
  RunScenario(tt, "binary ; host \\1T" + form + R"(
      click 3 5 ; current 3 ; click 2 0 ; current 3 ; click 1 8 ; current 1
      click 1 6 ; current 1 ; sent
      # a protected field presses Enter
      click 4 6 ; current 4 ; sent K\1\4\K)");
  // Rows count from the top of the form: shown with its sixth field current,
  // the form scrolls.
  RunScenario(tt, "host/0,0,0,5 \\2T" + form + " ; current 5");
  const int32_t top = GetCurrentForm(tt.t())->top_row;
  ASSERT_GT(top, 0);
  RunScenario(tt, "click " + std::to_string(21 - top) + " 0 ; current 6");
}

class ScreenSize : public InputTest {
 protected:
  ScreenSize() {
    std::snprintf(App(t()).settings_path, kSettingsPathSize, "%s", dir_.File("vozido.ini").c_str());
  }
  // Hot key 9: the setup window, given COLS and ROWS as pasted and saved
  // with Enter, or left with Esc when given none; `host` comes meanwhile.
  void SetUpScreen(const char* columns = nullptr, const char* rows = nullptr,
                   const std::string& host = "") {
    tt_.platform().set_nested_loop([&](const std::function<bool()>& done) {
      if (!host.empty()) tt_.Host(Command(host));
      if (columns != nullptr) {
        tt_.platform().SetEditFieldText(App(t()).setup.fields[0], columns);
        tt_.platform().SetEditFieldText(App(t()).setup.fields[1], rows);
      }
      DeliverChar(t(), tt_.platform(), columns != nullptr ? '\r' : 0x1B, false);
      return done();
    });
    HandleHotKey(t(), 9);
    tt_.platform().set_nested_loop(nullptr);
  }
  TempDir dir_;
};

TEST_F(ScreenSize, NewScreenSizeGrowsTheGridAndKeepsWhatItHeld) {
  DrawAt(t(), 5, 0, 3, "old", 0);
  std::memcpy(t().screen.grid, "kept", 4);
  SetUpScreen("30", "20");
  EXPECT_EQ(tt_.platform().view_rows(), 20);
  EXPECT_EQ(tt_.Row(0), "Press CTRL-P" + std::string(18, ' '));
  EXPECT_EQ(tt_.Row(5), std::string(30, ' '));
  EXPECT_TRUE(tt_.platform().caret_visible());
  EXPECT_EQ(t().screen.grid_rows * t().screen.grid_columns, 600);
  EXPECT_EQ(std::string(t().screen.grid, 4), "kept");
  // The old block comes over whole, its last cell's zero byte included:
  // a repaint of that row stops there.
  EXPECT_EQ(t().screen.grid[16 * 20 - 1], 0);
  EXPECT_EQ(t().screen.grid[600 - 1], 0);
  std::memcpy(t().screen.grid + 10 * 30, std::string(30, 'g').data(), 19);
  std::memcpy(t().screen.grid + 10 * 30 + 20, std::string(10, 'h').data(), 10);
  SetUpScreen();
  EXPECT_EQ(tt_.Row(10), std::string(19, 'g') + std::string(11, ' '));
  // Smaller again: the grid stays as it is.
  SetUpScreen("30", "10");
  EXPECT_EQ(t().screen.grid_rows, 20);
  // The same size: the screen is drawn again from the grid.
  SetUpScreen();
  EXPECT_EQ(tt_.Row(0).substr(0, 4), "kept");
}

// Sizes no screen can show: below zero from the setup window, or far past
// any screen from a host's settings text, which is held to the bound. The
// window is laid out, the grid kept or dropped, forms shown and typed into,
// and the power-up announces the size as it stands, all without overflow.
TEST_F(ScreenSize, SizesNoScreenCanShowLeaveTheTerminalWhole) {
  const std::string most = std::to_string(kMaxScreenSide);
  const struct {
    std::string rows, columns, announced_rows, announced_columns;
  } sizes[] = {
      {"-5", "-7", "-5", "-7"},         {"16", "-9", "16", "-9"},
      {"-9", "20", "-9", "20"},         {"134217728", "20", most, "20"},
      {"16", "2147483647", "16", most}, {"2147483647", "2147483647", most, most},
      {"16", "20", "16", "20"},
  };
  for (const auto& size : sizes) {
    const std::string& r = size.rows;
    const std::string& c = size.columns;
    if (r.size() <= 2 && c.size() <= 2) {
      SetUpScreen(c.c_str(), r.c_str());
    } else {
      SetUpScreen(nullptr, nullptr, "|TROWS=" + r + ";COLS=" + c);
    }
    tt_.Host(Command("\\1T\\Lot:\\A12345\\"));
    HandleCharacter(t(), '7');
    HandleKeyDown(t(), kVkDown);
    RepaintScreen(t());
    tt_.Sent();
    HandleCharacter(t(), 16);  // Ctrl+P
    EXPECT_NE(tt_.Sent().find("P,Rows=" + size.announced_rows + ",Cols=" + size.announced_columns),
              std::string::npos)
        << r << " x " << c;
  }
  EXPECT_EQ(tt_.platform().view_rows(), 16);
  EXPECT_EQ(tt_.Row(0).size(), 20u);
  SetUpScreen(nullptr, nullptr, "|TROWS=134217728;COLS=2147483647");
  EXPECT_EQ(t().screen.grid_rows, kMaxScreenSide);
  EXPECT_EQ(tt_.platform().view_rows(), kMaxScreenSide);
}

}  // namespace
}  // namespace marl::testing
