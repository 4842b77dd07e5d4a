#include "app/screen_setup.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/app_state.h"
#include "platform/messages.h"
#include "temp_dir.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

class ScreenSetupTest : public ::testing::Test {
 protected:
  ScreenSetupTest() {
    std::snprintf(App(t()).settings_path, kSettingsPathSize, "%s", dir_.File("vozido.ini").c_str());
  }
  Terminal& t() { return tt_.t(); }
  CorePlatform& p() { return tt_.platform(); }
  // 0: COLS, 1: ROWS.
  int32_t Field(int i) { return App(t()).setup.fields[i]; }
  std::string Shown(int32_t row) { return p().VisibleWindow().RowText(row); }
  void Enter() {
    ASSERT_TRUE(ScreenSetupKey(t(), kVkReturn, false));
    CloseScreenSetup(t());
  }

  TempDir dir_;
  TestTerminal tt_{0, 0};  // a first start: no settings file, no size
};

TEST_F(ScreenSetupTest, FirstStartProposesTwentyBySixteenAndEscLeavesAllAlone) {
  ASSERT_TRUE(OpenScreenSetup(t(), 1));
  ASSERT_TRUE(ScreenSetupKey(t(), kVkEscape, false));
  CloseScreenSetup(t());
  EXPECT_EQ(t().screen.rows, 0);
  EXPECT_EQ(t().screen.columns, 0);
  EXPECT_EQ(dir_.Read("vozido.ini"), "<missing>");

  ASSERT_TRUE(OpenScreenSetup(t(), 1));
  EXPECT_EQ(Shown(1), " COLS:  20                 ");
  EXPECT_EQ(Shown(3), " ROWS:  16                 ");
  EXPECT_EQ(Shown(7), " Press CTRL-P after Save.  ");
  EXPECT_TRUE(p().edit_fields().at(Field(0)).focused);
  Enter();
  EXPECT_EQ(dir_.Read("vozido.ini"), "ROWS=16\nCOLS=20\n");
  EXPECT_EQ(t().screen.rows, 16);
  EXPECT_EQ(t().screen.columns, 20);
  EXPECT_EQ(t().forms.terminal_rows, 16);
  EXPECT_EQ(t().forms.terminal_columns, 20);
  EXPECT_FALSE(p().setup_window_open());  // the main window is back on show
}

// Opened later, both fields start empty; Enter reads two characters of each.
TEST_F(ScreenSetupTest, EnterSavesWhatTheFieldsHold) {
  const struct {
    const char *cols, *rows, *file;
    int32_t columns, rows_after;
  } cases[] = {{"", "", "ROWS=0\nCOLS=0\n", 0, 0},
               {"123", "219", "ROWS=21\nCOLS=12\n", 12, 21},
               {"ab", "", "ROWS=0\nCOLS=0\n", 0, 0},
               {"-7", "-5", "ROWS=-5\nCOLS=-7\n", -7, -5}};
  for (const auto& c : cases) {
    ASSERT_TRUE(OpenScreenSetup(t(), 0));
    EXPECT_EQ(p().EditFieldText(Field(0)) + p().EditFieldText(Field(1)), "");
    p().SetEditFieldText(Field(0), c.cols);
    p().SetEditFieldText(Field(1), c.rows);
    Enter();
    EXPECT_EQ(dir_.Read("vozido.ini"), c.file);
    EXPECT_EQ(t().screen.columns, c.columns) << c.cols;
    EXPECT_EQ(t().screen.rows, c.rows_after) << c.rows;
  }
}

TEST_F(ScreenSetupTest, TabWalksTheRingEitherWayAndFieldsTakeWhatTheirControlWould) {
  ASSERT_TRUE(OpenScreenSetup(t(), 0));
  EXPECT_EQ(ScreenSetupFocus(t()), Field(0));
  for (int i = 1; i <= 4; ++i) {
    ASSERT_TRUE(ScreenSetupKey(t(), kVkTab, i > 2));
    EXPECT_EQ(ScreenSetupFocus(t()), Field(i % 2));
    EXPECT_TRUE(p().edit_fields().at(Field(i % 2)).focused);
  }
  EXPECT_FALSE(ScreenSetupKey(t(), 'A', false));
  for (char c : std::string("1x23")) p().TypeIntoEditField(c);
  EXPECT_EQ(p().EditFieldText(Field(0)), "1x2");  // three cells wide
  ScreenSetupKey(t(), kVkTab, false);
  for (char c : std::string("a9\b8")) p().TypeIntoEditField(c);
  EXPECT_EQ(p().EditFieldText(Field(1)), "8");  // digits only
  CloseScreenSetup(t());
}

}  // namespace
}  // namespace marl::testing
