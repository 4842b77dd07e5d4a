#include "base/settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/settings_file.h"
#include "temp_dir.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

// Rows, columns and SETF0 after the lines (or lists, with a separator), from
// 5 x 6 and SETF0 off.
std::vector<int32_t> After(const std::vector<std::string>& lines, char separator) {
  TestTerminal tt(5, 6);
  for (std::string line : lines) {
    if (separator != 0) {
      ApplySettingList(tt.t(), line.data(), separator);
    } else {
      ApplySettingLine(tt.t(), line.data());
    }
  }
  return {tt.t().screen.rows, tt.t().screen.columns, tt.t().settings.setf0};
}

TEST(Settings, LinesAreNormalisedThenApplied) {
  const struct {
    std::vector<std::string> lines;
    std::vector<int32_t> after;
    char separator = 0;
  } cases[] = {
      {{"Rows = 21", "cols=24"}, {21, 24, 0}},
      {{" r O w S\t=\r 1 6\n"}, {16, 6, 0}},
      {{"ROWS=+12abc"}, {12, 6, 0}},
      {{"ROWS=2"}, {2, 6, 0}},
      {{"ROWS=1", "ROWS=", "COLS=-40", "COLS=0", "ROWS"}, {5, 6, 0}},  // one or less: ignored
      {{"COLS=3=4"}, {5, 3, 0}},  // a later '=' belongs to the value
      {{"SETF0"}, {5, 6, 1}},
      {{"SETF0=yes"}, {5, 6, 1}},
      {{"setf0 = true"}, {5, 6, 1}},
      {{"SETF0=NO"}, {5, 6, 0}},
      {{"SETF0="}, {5, 6, 0}},
      {{"SETF01"}, {5, 6, 0}},
      {{"[SIMULATOR]", ";comment", "", "=16", "TIMEOUT=5", "SERVERPORT=1"}, {5, 6, 0}},
      {{"\xff\x01ROWS=9\x7f"}, {5, 6, 0}},
      {{"ROWS=16;COLS=20"}, {16, 20, 0}, ';'},
      {{";ROWS=16;;COLS=20;", ""}, {5, 20, 0}, ';'},  // never cut at the first character
  };
  for (const auto& c : cases) EXPECT_EQ(After(c.lines, c.separator), c.after) << c.lines[0];
}

class SettingsFile : public ::testing::Test {
 protected:
  SettingsFile() {
    std::snprintf(App(t()).settings_path, kSettingsPathSize, "%s", dir_.File("vozido.ini").c_str());
  }
  Terminal& t() { return tt_.t(); }
  TempDir dir_;
  TestTerminal tt_{0, 0};
};

TEST_F(SettingsFile, MissingOrMalformedFilesAreReadAsTheyCome) {
  ReadSettings(t());
  EXPECT_EQ(t().screen.rows, 0);
  // A line longer than 999 characters is read as several lines; the last
  // line needs no line end; a zero byte ends its line there.
  dir_.Write("vozido.ini", std::string(999, ' ') + "COLS=30\n" + std::string(2500, 'x') + "\n" +
                               std::string("ROWS=7\0ROWS=9\n", 14) + "setf0");
  ReadSettings(t());
  EXPECT_EQ(t().screen.columns, 30);
  EXPECT_EQ(t().screen.rows, 7);
  EXPECT_EQ(t().settings.setf0, 1);
}

TEST_F(SettingsFile, WritingReplacesTheWholeFile) {
  dir_.Write("vozido.ini", "SETF0\nTIMEOUT=5\nROWS=3\n");
  EXPECT_EQ(WriteScreenSize(t(), 21, 24), 0u);
  EXPECT_EQ(dir_.Read("vozido.ini"), "ROWS=21\nCOLS=24\n");
  ReadSettings(t());
  EXPECT_EQ(t().screen.rows, 21);
  EXPECT_EQ(t().screen.columns, 24);
  std::snprintf(App(t()).settings_path, kSettingsPathSize, "%s",
                dir_.File("no/such/dir/vozido.ini").c_str());
  EXPECT_EQ(WriteScreenSize(t(), 1, 2), kSettingsCannotOpen);
}

}  // namespace
}  // namespace marl::testing
