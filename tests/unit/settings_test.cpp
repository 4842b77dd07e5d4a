#include "setterm/settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/settings_file.h"
#include "temp_dir.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

struct Size {
  int32_t rows;
  int32_t columns;
  bool operator==(const Size&) const = default;
};

Size SizeAfter(std::initializer_list<const char*> lines) {
  TestTerminal tt(5, 6);
  for (const char* line : lines) {
    std::string copy = line;
    ApplySettingLine(tt.t(), copy.data());
  }
  return {tt.t().screen.rows, tt.t().screen.columns};
}

int32_t Setf0After(const char* line) {
  TestTerminal tt;
  std::string copy = line;
  ApplySettingLine(tt.t(), copy.data());
  return tt.t().settings.setf0;
}

TEST(SettingLine, NormalisedBeforeMatching) {
  EXPECT_EQ(SizeAfter({"Rows = 21", "cols=24"}), (Size{21, 24}));
  EXPECT_EQ(SizeAfter({" r O w S\t=\r 1 6\n"}), (Size{16, 6}));
  EXPECT_EQ(SizeAfter({"ROWS=+12abc"}), (Size{12, 6}));

  TestTerminal tt;
  char line[] = "Rows = 2 1";
  ApplySettingLine(tt.t(), line);
  EXPECT_STREQ(line, "ROWS");  // the key, then the value after its zero byte
  EXPECT_STREQ(line + 5, "21");
}

TEST(SettingLine, SizesOfOneOrLessAreIgnored) {
  EXPECT_EQ(SizeAfter({"ROWS=1", "ROWS=", "COLS=-40", "COLS=0", "ROWS"}), (Size{5, 6}));
  EXPECT_EQ(SizeAfter({"ROWS=2"}), (Size{2, 6}));
  // A later '=' belongs to the value.
  EXPECT_EQ(SizeAfter({"COLS=3=4"}), (Size{5, 3}));
}

TEST(SettingLine, Setf0) {
  EXPECT_EQ(Setf0After("SETF0"), 1);
  EXPECT_EQ(Setf0After("SETF0=yes"), 1);
  EXPECT_EQ(Setf0After("setf0=1"), 1);
  EXPECT_EQ(Setf0After("setf0 = true"), 1);
  EXPECT_EQ(Setf0After("SETF0=NO"), 0);
  EXPECT_EQ(Setf0After("SETF0="), 0);
  EXPECT_EQ(Setf0After("SETF01"), 0);
}

TEST(SettingLine, OtherLinesChangeNothing) {
  EXPECT_EQ(SizeAfter({"[SIMULATOR]", ";comment", "", "=16", "TIMEOUT=5", "SERVERPORT=1"}),
            (Size{5, 6}));
  TestTerminal tt;
  std::string binary("\xff\x01ROWS=9\x7f", 10);
  ApplySettingLine(tt.t(), binary.data());
  EXPECT_EQ(tt.t().screen.rows, 16);
}

TEST(SettingList, CutAtTheSeparatorButNeverAtTheFirstCharacter) {
  TestTerminal tt(5, 6);
  char list[] = "ROWS=16;COLS=20";
  ApplySettingList(tt.t(), list, ';');
  EXPECT_EQ(tt.t().screen.rows, 16);
  EXPECT_EQ(tt.t().screen.columns, 20);

  TestTerminal lead(5, 6);
  char leading[] = ";ROWS=16;;COLS=20;";
  ApplySettingList(lead.t(), leading, ';');
  EXPECT_EQ(lead.t().screen.rows, 5);  // its key was ";ROWS"
  EXPECT_EQ(lead.t().screen.columns, 20);

  char empty[] = "";
  ApplySettingList(lead.t(), empty, ';');
  EXPECT_EQ(lead.t().screen.columns, 20);
}

class SettingsFile : public ::testing::Test {
 protected:
  SettingsFile() : tt_(0, 0) {
    std::snprintf(tt_.t().app.settings_path, kSettingsPathSize, "%s",
                  dir_.File("vozido.ini").c_str());
  }
  TempDir dir_;
  TestTerminal tt_;
};

TEST_F(SettingsFile, AMissingFileChangesNothing) {
  ReadSettings(tt_.t());
  EXPECT_EQ(tt_.t().screen.rows, 0);
  EXPECT_EQ(tt_.t().screen.columns, 0);
  EXPECT_EQ(tt_.t().settings.setf0, 0);
}

TEST_F(SettingsFile, MalformedFilesAreReadAsTheyCome) {
  // A line longer than 999 characters is read as several lines; the last
  // line needs no line end; a zero byte ends its line there.
  dir_.Write("vozido.ini", std::string(999, ' ') + "COLS=30\n" + std::string(2500, 'x') + "\n" +
                               std::string("ROWS=7\0ROWS=9\n", 14) + "setf0");
  ReadSettings(tt_.t());
  EXPECT_EQ(tt_.t().screen.columns, 30);
  EXPECT_EQ(tt_.t().screen.rows, 7);
  EXPECT_EQ(tt_.t().settings.setf0, 1);
}

TEST_F(SettingsFile, WritingReplacesTheWholeFile) {
  dir_.Write("vozido.ini", "SETF0\nTIMEOUT=5\nROWS=3\n");
  EXPECT_EQ(WriteScreenSize(tt_.t(), 21, 24), 0u);
  EXPECT_EQ(dir_.Read("vozido.ini"), "ROWS=21\nCOLS=24\n");
  ReadSettings(tt_.t());
  EXPECT_EQ(tt_.t().screen.rows, 21);
  EXPECT_EQ(tt_.t().screen.columns, 24);

  std::snprintf(tt_.t().app.settings_path, kSettingsPathSize, "%s",
                dir_.File("no/such/dir/vozido.ini").c_str());
  EXPECT_EQ(WriteScreenSize(tt_.t(), 1, 2), kSettingsCannotOpen);
}

}  // namespace
}  // namespace marl::testing
