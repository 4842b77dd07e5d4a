#include "app/window_keys.h"

#include <cstring>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "base/session.h"
#include "base/terminal_config.h"
#include "forms/form.h"
#include "input/field_edit.h"
#include "input_fixture.h"
#include "platform/messages.h"
#include "screen/display.h"

namespace marl::testing {
namespace {

using namespace std::string_literals;

class WindowKeys : public InputTest {
 protected:
  static intptr_t At(int32_t x, int32_t y) { return intptr_t(x) | (intptr_t(y) << 16); }
};

TEST_F(WindowKeys, KeysComeAsCharactersOrAsScanCodesThatReachTheMaps) {
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 10)});
  std::string maps = "\\F";
  for (char c = 'a'; c < 'a' + 24; ++c) maps += "\\"s + c;
  ASSERT_EQ(LoadMaps(t(), maps), 0);
  HandleKeyDown(t(), kVkRight);
  HandleCharacter(t(), '1');
  EXPECT_EQ(App(t()).host_data[1], 0x4D);  // the character keeps the last scan code
  HandleKeyDown(t(), 'A');                 // keys with characters come as characters
  HandleKeyDown(t(), kVkReturn);
  for (uint32_t vk = kVkF1; vk < kVkF1 + 4; ++vk) HandleKeyDown(t(), vk);
  HandleKeyDown(t(), 0xE4);        // the other F12
  HandleKeyDown(t(), kVkF1 + 23);  // F24
  HandleSystemKeyDown(t(), kVkF10);
  HandleSystemKeyDown(t(), kVkF4);  // Alt+F4: nothing, the window stays
  EXPECT_EQ(form.Buffer(0), " 1abcdlxj ");
  EXPECT_EQ(tt_.Sent(), "");
  EXPECT_FALSE(tt_.platform().quit_posted());
}

struct ScanKeyCase {
  const char* name;
  std::vector<uint32_t> keys;  // virtual keys, then the character 'x'
  const char* first;           // the first field afterwards
  const char* second;
};

// Keys without a character reach the form as their scan codes, each to its
// own action.
TEST_F(WindowKeys, ScanCodesOfTheEditingKeysActOnTheForm) {
  const ScanKeyCase cases[] = {
      {"Home", {kVkEnd, kVkHome}, "xbcd", "    "},
      {"End: past the last cell, nothing to type into", {kVkEnd}, "abcd", "    "},
      {"Left", {kVkEnd, kVkLeft}, "abcdx", "    "},
      {"Delete", {kVkDelete}, "xcd ", "    "},
      {"Insert", {kVkInsert}, "xabcd", "    "},
      {"Down to the next field", {kVkDown}, "abcd", "x   "},
      {"Up from the second field", {kVkDown, kVkUp}, "xbcd", "    "},
      {"Tab has a character: not a scan code", {kVkTab}, "xbcd", "    "},
  };
  for (const ScanKeyCase& c : cases) {
    TestTerminal tt;
    tt.t().session.text_dialect = 0;
    HandForm form(tt.t(), 16, 20, {FieldSpec(0, 0, 5).Text("abcd"), FieldSpec(1, 0, 4)});
    for (uint32_t vk : c.keys) HandleKeyDown(tt.t(), vk);
    HandleCharacter(tt.t(), 'x');
    EXPECT_EQ(form.Buffer(0), std::string(c.first) + std::string(5 - std::strlen(c.first), ' '))
        << c.name;
    EXPECT_EQ(form.Buffer(1), c.second) << c.name;
  }
}

TEST_F(WindowKeys, HotKeysPressKeysRunAutoModeOrEndTheProgram) {
  t().session.text_dialect = 0;
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 4).Text("abc")});
  HandleHotKey(t(), 2);  // clear field
  Config(t()).programmable_key = 'p';
  HandleHotKey(t(), 3);
  EXPECT_EQ(form.Buffer(0), "p   ");
  HandleHotKey(t(), 7);
  EXPECT_EQ(t().screen.cleared, 1);
  for (int32_t id : {8, 12}) HandleHotKey(t(), id);  // not the terminal's; not in auto mode
  EXPECT_EQ(tt_.Sent(), "");
  tt_.platform().set_now(123456789);
  HandleHotKey(t(), 4);  // auto mode starts with Enter
  EXPECT_EQ(t().session.auto_start, 123456789u);
  EXPECT_EQ(tt_.Sent(), "K\\-10\\0\\Kp");
  EXPECT_EQ(tt_.Events().back(), "sleep 500");
  ClearWaitingForHost(t());
  HandleHotKey(t(), 12);
  EXPECT_EQ(tt_.Sent(), "K\\-10\\0\\Kp");
  HandleHotKey(t(), 4);  // off, and quiet
  t().session.text_dialect = 1;
  HandleHotKey(t(), 11);
  EXPECT_EQ(tt_.Sent().substr(0, 21), "P,Rows=16,Cols=20\0IP="s);
  EXPECT_FALSE(tt_.platform().quit_requested());
  HandleCharacter(t(), 24);  // Ctrl+X: hot key 1 through the window
  EXPECT_TRUE(tt_.platform().quit_requested());
}

TEST_F(WindowKeys, ClickMovesFieldByFieldToTheClickedOne) {
  HandForm form(t(), 40, 20,
                {FieldSpec(0, 5, 4), FieldSpec(1, 5, 4), FieldSpec(2, 5, 4), FieldSpec(3, 5, 4),
                 FieldSpec(4, 5, 4).Flags(kFieldProtected), FieldSpec(20, 0, 4)});
  HandleLeftButton(t(), At(4 * 11, 3 * 13 + 5));  // column 5 on row 3: Down three times
  EXPECT_EQ(form->current_field, 3);
  HandleLeftButton(t(), At(0, 2 * 13));  // left of the field
  EXPECT_EQ(form->current_field, 3);
  HandleLeftButton(t(), At(8 * 11, 1 * 13));  // column 9: the cell after the field counts
  EXPECT_EQ(form->current_field, 1);
  HandleLeftButton(t(), At(6 * 11, 1 * 13));  // the current field: no movement
  EXPECT_EQ(form->current_field, 1);
  EXPECT_EQ(tt_.Sent(), "");
  form->top_row = 18;  // rows count from the top of the form
  HandleLeftButton(t(), At(0, 2 * 13));
  EXPECT_EQ(form->current_field, 5);
  form->top_row = 0;
  t().session.text_dialect = 0;
  HandleLeftButton(t(), At(6 * 11, 4 * 13));  // a protected field presses Enter
  EXPECT_EQ(form->current_field, 4);
  EXPECT_EQ(tt_.Sent(), "K\\-10\\4\\K");
}

TEST_F(WindowKeys, NewScreenSizeGrowsTheGridAndKeepsWhatItHeld) {
  DrawAt(t(), 5, 0, 3, "old", 0);
  std::memcpy(t().screen.grid, "kept", 4);
  t().screen.rows = 20;
  t().screen.columns = 30;
  SetTerminalRows(t(), 20);
  SetTerminalCols(t(), 30);
  ApplyScreenSetup(t(), 16, 20);
  EXPECT_EQ(tt_.platform().view_rows(), 20);
  EXPECT_EQ(tt_.Row(0), "Press CTRL-P" + std::string(18, ' '));
  EXPECT_EQ(tt_.Row(5), std::string(30, ' '));
  EXPECT_TRUE(tt_.platform().caret_visible());
  EXPECT_EQ(t().screen.grid_rows * t().screen.grid_columns, 600);
  EXPECT_EQ(std::string(t().screen.grid, 4), "kept");
  EXPECT_EQ(t().screen.grid[16 * 20 - 1], ' ');  // the old end is no end now
  EXPECT_EQ(t().screen.grid[600 - 1], 0);
  // Smaller again: the grid stays as it is.
  t().screen.rows = 10;
  ApplyScreenSetup(t(), 20, 30);
  EXPECT_EQ(t().screen.grid_rows, 20);
  // The same size: the screen is drawn again from the grid.
  ApplyScreenSetup(t(), 10, 30);
  EXPECT_EQ(tt_.Row(0).substr(0, 4), "kept");
}

}  // namespace
}  // namespace marl::testing
