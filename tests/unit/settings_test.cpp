#include "base/settings.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/settings_file.h"
#include "base/screen_size.h"
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

// Warnings as the terminal would write them, collected per test.
std::vector<std::string>& Warnings() {
  static std::vector<std::string> lines;
  return lines;
}
void CollectWarnings(Terminal& t) {
  Warnings().clear();
  t.hooks.warn = [](Terminal&, const char* line) { Warnings().push_back(line); };
}

TEST(Settings, SizesBeyondTheBoundAreClampedAndSaid) {
  const int32_t most = kMaxScreenSide;
  const struct {
    std::vector<std::string> lines;
    std::vector<int32_t> after;
    size_t warnings;
  } cases[] = {
      {{"ROWS=99", "COLS=99"}, {99, 99, 0}, 0},  // what the device's window takes
      {{"ROWS=2048", "COLS=2048"}, {most, most, 0}, 0},
      {{"ROWS=2049"}, {most, 6, 0}, 1},
      {{"ROWS=2147483647"}, {most, 6, 0}, 1},  // and no usable columns
      {{"ROWS=2147483647", "COLS=99999999999"}, {most, most, 0}, 2},
  };
  for (const auto& c : cases) {
    TestTerminal tt(5, 6);
    CollectWarnings(tt.t());
    for (std::string line : c.lines) ApplySettingLine(tt.t(), line.data(), "vozido.ini");
    const std::vector<int32_t> after{tt.t().screen.rows, tt.t().screen.columns, 0};
    EXPECT_EQ(after, c.after) << c.lines[0];
    EXPECT_EQ(Warnings().size(), c.warnings) << c.lines[0];
  }
  TestTerminal tt(5, 6);
  CollectWarnings(tt.t());
  std::string first = "ROWS=4000";
  ApplySettingLine(tt.t(), first.data(), "vozido.ini");
  ASSERT_EQ(Warnings().size(), 1u);
  EXPECT_EQ(Warnings()[0], "vozido.ini: ROWS=4000 is more than a screen may have; 2048 is used");
  // A host that sends the size on every form is told of once.
  for (int form = 0; form < 3; ++form) {
    std::string list = "ROWS=70000;COLS=70000";
    ApplySettingList(tt.t(), list.data(), ';');
  }
  EXPECT_EQ(Warnings().size(), 2u);
  EXPECT_EQ(tt.t().screen.columns, most);
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

// Files that are not settings files: start-up goes on, a line says why.
TEST_F(SettingsFile, WhatCannotBeReadIsSaidAndSkipped) {
  const std::string path = dir_.File("vozido.ini");
  const struct {
    const char* name;
    std::function<void()> make;
    const char* said;
  } cases[] = {
      {"folder", [&] { mkdir(path.c_str(), 0700); }, "is a folder"},
      {"fifo", [&] { mkfifo(path.c_str(), 0600); }, "is not a regular file"},
      {"zero device", [&] { ASSERT_EQ(symlink("/dev/zero", path.c_str()), 0); },
       "is not a regular file"},
      {"unreadable",
       [&] {
         dir_.Write("vozido.ini", "ROWS=9\n");
         chmod(path.c_str(), 0);
       },
       geteuid() == 0 ? nullptr : "cannot read"},
      {"binary", [&] { dir_.Write("vozido.ini", std::string("ROWS=9\n\x01\x02\0\xff\n", 11)); },
       "holds something other than settings (line 2)"},
      {"long", [&] { dir_.Write("vozido.ini", "ROWS=9\n" + std::string(kMaxSettingsBytes, '\n')); },
       "is longer than 65536 bytes"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all(path);
    c.make();
    TestTerminal tt(0, 0);
    std::snprintf(App(tt.t()).settings_path, kSettingsPathSize, "%s", path.c_str());
    CollectWarnings(tt.t());
    ReadSettings(tt.t());
    if (c.said == nullptr) {
      EXPECT_TRUE(Warnings().empty()) << c.name;
      continue;
    }
    ASSERT_EQ(Warnings().size(), 1u) << c.name;
    EXPECT_NE(Warnings()[0].find(c.said), std::string::npos) << c.name << ": " << Warnings()[0];
    const bool read = std::string(c.name) == "binary" || std::string(c.name) == "long";
    EXPECT_EQ(tt.t().screen.rows, read ? 9 : 0) << c.name;
  }
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
  CollectWarnings(t());
  EXPECT_EQ(WriteScreenSize(t(), 1, 2), kSettingsCannotOpen);
  std::snprintf(App(t()).settings_path, kSettingsPathSize, "%s", "/dev/full");
  EXPECT_EQ(WriteScreenSize(t(), 1, 2), kSettingsWriteFailed);
  ASSERT_EQ(Warnings().size(), 2u);
  EXPECT_EQ(Warnings()[1],
            "cannot write /dev/full: No space left on device; the new size holds "
            "until marlsim ends");
}

}  // namespace
}  // namespace marl::testing
