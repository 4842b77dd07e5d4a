#include "app/screen_setup.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "platform/messages.h"
#include "temp_dir.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

class ScreenSetupTest : public ::testing::Test {
 protected:
  ScreenSetupTest() : tt_(16, 20) {
    std::snprintf(t().app.settings_path, kSettingsPathSize, "%s", dir_.File("vozido.ini").c_str());
  }
  Terminal& t() { return tt_.t(); }
  HeadlessPlatform& p() { return tt_.platform(); }
  int32_t ColsField() { return t().app.setup.fields[0]; }
  int32_t RowsField() { return t().app.setup.fields[1]; }
  std::string Shown(int32_t row) { return p().VisibleWindow().RowText(row); }
  void Fill(const std::string& cols, const std::string& rows) {
    p().SetEditFieldText(ColsField(), cols);
    p().SetEditFieldText(RowsField(), rows);
  }
  void Enter() {
    ASSERT_TRUE(ScreenSetupKey(t(), kVkReturn, false));
    CloseScreenSetup(t());
  }

  TempDir dir_;
  TestTerminal tt_;
};

TEST_F(ScreenSetupTest, FirstStartProposesTwentyBySixteen) {
  t().screen.rows = t().screen.columns = 0;
  ASSERT_TRUE(OpenScreenSetup(t(), 1));
  EXPECT_TRUE(p().setup_window_open());
  EXPECT_EQ(p().EditFieldText(ColsField()), "20");
  EXPECT_EQ(p().EditFieldText(RowsField()), "16");
  EXPECT_EQ(Shown(1), " COLS:  20                 ");
  EXPECT_EQ(Shown(3), " ROWS:  16                 ");
  EXPECT_EQ(Shown(7), " Press CTRL-P after Save.  ");
  EXPECT_EQ(Shown(17), " 24 Cols by 21 Rows        ");
  EXPECT_EQ(p().edit_fields().at(ColsField()).focused, true);
  EXPECT_FALSE(p().edit_fields().at(ColsField()).spec.digits_only);
  EXPECT_TRUE(p().edit_fields().at(RowsField()).spec.digits_only);

  Enter();
  EXPECT_EQ(dir_.Read("vozido.ini"), "ROWS=16\nCOLS=20\n");
  EXPECT_EQ(t().screen.rows, 16);
  EXPECT_EQ(t().screen.columns, 20);
  EXPECT_EQ(t().forms.terminal_rows, 16);
  EXPECT_EQ(t().forms.terminal_columns, 20);
  EXPECT_FALSE(p().setup_window_open());
  EXPECT_TRUE(p().edit_fields().empty());
  // The main window is back on show.
  EXPECT_EQ(p().VisibleWindow().columns, 20);
}

TEST_F(ScreenSetupTest, EnterReadsTwoCharactersOfEachField) {
  ASSERT_TRUE(OpenScreenSetup(t(), 0));
  Fill("123", "219");
  Enter();
  EXPECT_EQ(dir_.Read("vozido.ini"), "ROWS=21\nCOLS=12\n");
  EXPECT_EQ(t().screen.columns, 12);

  ASSERT_TRUE(OpenScreenSetup(t(), 0));
  Fill("ab", "-5");
  Enter();
  EXPECT_EQ(dir_.Read("vozido.ini"), "ROWS=0\nCOLS=0\n");
  EXPECT_EQ(t().screen.rows, 0);
  EXPECT_EQ(t().screen.columns, 0);
}

TEST_F(ScreenSetupTest, OpenedLaterBothFieldsAreEmpty) {
  ASSERT_TRUE(OpenScreenSetup(t(), 0));
  EXPECT_EQ(p().EditFieldText(ColsField()), "");
  EXPECT_EQ(p().EditFieldText(RowsField()), "");
  Enter();
  EXPECT_EQ(dir_.Read("vozido.ini"), "ROWS=0\nCOLS=0\n");
}

TEST_F(ScreenSetupTest, EscLeavesSizeAndFileAlone) {
  t().screen.rows = t().screen.columns = 0;
  ASSERT_TRUE(OpenScreenSetup(t(), 1));
  ASSERT_TRUE(ScreenSetupKey(t(), kVkEscape, false));
  CloseScreenSetup(t());
  EXPECT_EQ(t().screen.rows, 0);
  EXPECT_EQ(t().screen.columns, 0);
  EXPECT_EQ(dir_.Read("vozido.ini"), "<missing>");
}

TEST_F(ScreenSetupTest, TabWalksTheRingEitherWay) {
  ASSERT_TRUE(OpenScreenSetup(t(), 1));
  EXPECT_EQ(ScreenSetupFocus(t()), ColsField());
  ASSERT_TRUE(ScreenSetupKey(t(), kVkTab, false));
  EXPECT_EQ(ScreenSetupFocus(t()), RowsField());
  EXPECT_TRUE(p().edit_fields().at(RowsField()).focused);
  ScreenSetupKey(t(), kVkTab, false);
  EXPECT_EQ(ScreenSetupFocus(t()), ColsField());
  ScreenSetupKey(t(), kVkTab, true);
  EXPECT_EQ(ScreenSetupFocus(t()), RowsField());
  ScreenSetupKey(t(), kVkTab, true);
  EXPECT_EQ(ScreenSetupFocus(t()), ColsField());
  EXPECT_FALSE(ScreenSetupKey(t(), 'A', false));
  CloseScreenSetup(t());
}

TEST_F(ScreenSetupTest, FieldsTakeWhatTheirControlWould) {
  ASSERT_TRUE(OpenScreenSetup(t(), 0));
  for (char c : std::string("1x23")) p().TypeIntoEditField(c);
  EXPECT_EQ(p().EditFieldText(ColsField()), "1x2");  // three cells wide
  ScreenSetupKey(t(), kVkTab, false);
  for (char c : std::string("a9\b8")) p().TypeIntoEditField(c);
  EXPECT_EQ(p().EditFieldText(RowsField()), "8");  // digits only
  CloseScreenSetup(t());
}

TEST_F(ScreenSetupTest, TheNestedLoopRunsUntilEnterOrTheProgramEnds) {
  // Without anyone to run the loop the window closes at once, unsaved.
  ScreenSetup(t(), 1);
  EXPECT_FALSE(p().setup_window_open());
  EXPECT_EQ(dir_.Read("vozido.ini"), "<missing>");

  p().set_nested_loop([&](const std::function<bool()>& done) {
    p().TypeIntoEditField('\b');
    p().TypeIntoEditField('4');
    ScreenSetupKey(t(), kVkReturn, false);
    return done();
  });
  t().screen.rows = t().screen.columns = 0;
  MainWindowProc(t(), kWmCreate, 0, 0);
  EXPECT_EQ(dir_.Read("vozido.ini"), "ROWS=16\nCOLS=24\n");
  EXPECT_EQ(p().view_columns(), 24);
  EXPECT_EQ(p().view_rows(), 16);
  p().set_nested_loop(nullptr);
}

}  // namespace
}  // namespace marl::testing
