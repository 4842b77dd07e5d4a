// The desktop window of the real program on a private X display, against a
// host played over loopback: what it shows, pixel by pixel, and what a
// person's keys in it send to the host.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "harness.h"
#include "x_display.h"

namespace marl::testing {
namespace {

constexpr const char* kTitle = "Corvanex Marlpoint Simulator";

// Row 0 plain, row 1 reverse video, row 2 bold, row 3 a label and an
// empty six-cell field on which the cursor stands (row 3, column 5).
const std::string kForm = HostCommand(
    "\\1T\\Name:^\n|H\x81REV|H\x80^\n|H\x88"
    "BOLD|H\x80^\nCode:\\A      \\");

// The setup window's field on `row` (1: COLS, 3: ROWS) as the window shows
// it, trailing blanks aside; "?" while no setup window is shown.
std::string SetupField(Marlsim& sim, size_t row) {
  const Lines screen = sim.Command("screen");
  if (screen.size() < row + 2 || screen[0].rfind("screen 21 27 ", 0) != 0) return "?";
  std::string field = screen[row + 1].substr(8, 4);
  while (!field.empty() && field.back() == ' ') field.pop_back();
  return field;
}

// The window's snapshot, as its PNG file gives it back.
Image Snapshot(Session& s, const std::string& name) {
  EXPECT_EQ(s.sim.Command("snapshot " + name), Lines{"ok"});
  return ReadSnapshot(s.dir.File(name));
}

// The drawing rules in a headless snapshot: a glyph's 16-pixel line stands on
// the bottom of its 13-pixel cell, so the line's top three rows are cut (a
// capital starts at the cell's top) and the descenders show. A row in which
// the attribute changes is drawn in pieces, in 10-pixel cells.
TEST(Snapshot, GlyphsStandOnTheBottomOfTheirCellsInEveryFont) {
  Session s;
  ASSERT_TRUE(s.accepted) << s.sim.Diagnostics();
  // "M_g" plain, underlined, bold and reverse on rows 0 to 3: only row 0
  // keeps its 11-pixel cells.
  EXPECT_EQ(
      s.Host(HostCommand("\\1T\\M_g^\n|H\x82M_g^\n|H\x88M_g^\n|H\x81M_g^\n|H\x80^\nCode:\\A  \\")),
      "");
  const Image image = Snapshot(s, "cells.png");
  ASSERT_EQ(image.width, 220);
  ASSERT_EQ(image.height, 208);
  // Per glyph of "M_g ": the pixel rows of its cell where no ink may be,
  // and one where ink must be.
  const uint32_t never[] = {~0x1FFu, 0x1FFu, 0x3u, ~0u};
  const int always[] = {1, 10, 11, -1};
  for (int row = 0; row < 4; ++row) {
    const int width = row == 0 ? 11 : 10;
    for (int k = 0; k < 4; ++k) {
      SCOPED_TRACE("row " + std::to_string(row) + " glyph " + std::to_string(k));
      // Bit y: ink (black, or white in reverse) in pixel row y of the cell,
      // and that row inked all across.
      uint32_t ink = 0, full = 0;
      for (int y = 0; y < 13; ++y) {
        int n = 0;
        for (int x = k * width; x < (k + 1) * width; ++x)
          n += image.Dark(x, row * 13 + y) != (row == 3);
        ink |= uint32_t(n > 0) << y;
        full |= uint32_t(n == width) << y;
      }
      // An underline is one row all across, near the cell's bottom.
      EXPECT_EQ(full, row == 1 ? 1u << 10 : 0u);
      EXPECT_EQ(ink & ~full & never[k], 0u);
      EXPECT_TRUE(always[k] < 0 || (ink >> always[k] & 1));
    }
  }
}

class Window : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access("/usr/bin/Xvfb", X_OK) != 0) GTEST_SKIP() << "Xvfb is not installed";
    ASSERT_FALSE(x_.name().empty()) << "Xvfb did not start";
  }
  std::vector<std::pair<std::string, std::string>> Env() const {
    // The X and D-Bus libraries keep a few blocks to the end, some in
    // modules already unloaded, where no suppression can name them: under
    // AddressSanitizer the window's process is checked for everything but
    // leaks, which the headless suites check.
    return {{"DISPLAY", x_.name()},
            {"SDL_AUDIODRIVER", "dummy"},
            {"ASAN_OPTIONS", "detect_leaks=0:abort_on_error=1"}};
  }
  // A terminal of 20 x 16 in a window (with `args`) that shows kForm.
  std::unique_ptr<Session> ShowForm(Lines args = {}) {
    args.insert(args.begin(), "--ui=sdl");
    auto s = std::make_unique<Session>(args, Env());
    EXPECT_TRUE(s->accepted) << s->sim.Diagnostics();
    EXPECT_EQ(s->power_up, PowerUp());
    EXPECT_EQ(s->Host(kForm), "");
    return s;
  }
  XDisplay x_;
};

TEST_F(Window, TheFormsCellsAsDrawnAndTheSameInEveryFrontEnd) {
  const auto s = ShowForm();
  const Image image = Snapshot(*s, "window.png");
  ASSERT_EQ(image.width, 220);
  ASSERT_EQ(image.height, 208);
  // Where glyphs put their ink is the snapshot test's to check. The caret
  // inverts the cursor's cell (row 3, column 5), an empty one.
  EXPECT_GT(image.DarkIn(55, 39, 66, 52), 11 * 13 * 9 / 10);
  EXPECT_EQ(image.DarkIn(66, 39, 220, 52), 0);

  // What the X server shows is the snapshot, but for the blinking caret.
  const Image shown = x_.Capture(kTitle);
  ASSERT_EQ(shown.width, 220);
  ASSERT_EQ(shown.height, 208);
  int differ = 0;
  for (int y = 0; y < 208; ++y) {
    for (int x = 0; x < 220; ++x) {
      const bool caret = x >= 55 && x < 66 && y >= 39 && y < 52;
      differ += !caret && shown.at(x, y) != image.at(x, y);
    }
  }
  EXPECT_EQ(differ, 0);

  // The headless front end paints the same session the same, byte for byte.
  Session headless;
  EXPECT_EQ(headless.Host(kForm), "");
  EXPECT_EQ(Snapshot(headless, "headless.png").pixels, image.pixels);
  EXPECT_EQ(ReadFile(headless.dir.File("headless.png")), ReadFile(s->dir.File("window.png")));
  // A window stays open after its script; only quit (or a person) closes it.
  EXPECT_EQ(s->sim.Command("quit"), Lines{"ok"});
  EXPECT_EQ(s->sim.Wait(), 0);
}

TEST_F(Window, ZoomedKeysTypedIntoTheWindowGoToTheHostAsTheFormReply) {
  const auto s = ShowForm({"--zoom", "2"});
  // Each pixel a 2 x 2 block, in the snapshot and on the screen.
  const Image image = Snapshot(*s, "zoomed.png");
  ASSERT_EQ(image.width, 440);
  ASSERT_EQ(image.height, 416);
  EXPECT_EQ(image.DarkIn(110, 0, 440, 26), 0);  // "Name:" in its doubled cells
  EXPECT_EQ(image.at(20, 10), image.at(21, 11));
  const Image shown = x_.Capture(kTitle);
  EXPECT_EQ(shown.width, 440);
  EXPECT_EQ(shown.height, 416);

  // Keys that come before the window takes them are lost: typed again
  // while none of them has reached the field (which shows stars).
  const auto value = [&] {
    const Lines state = s->sim.Command("state");
    const size_t at = state.empty() ? std::string::npos : state[0].find("\"value\":\"");
    return at == std::string::npos ? std::string("?") : state[0].substr(at + 9, 6);
  };
  bool typed = false;
  for (int attempt = 0; attempt < 5 && !typed; ++attempt) {
    ASSERT_TRUE(x_.Focus(kTitle));
    x_.Tool("type --delay 20 'AB12'");
    typed = Until([&] { return value() != "      "; }, 10000);
  }
  ASSERT_TRUE(Until([&] { return value().find("AB12") != std::string::npos; }, 30000)) << value();
  x_.Tool("key Return");
  const std::string reply = s->host.ReceiveThrough("F=", 30000);
  EXPECT_NE(reply.find("AB12"), std::string::npos) << reply;
  EXPECT_EQ(s->sim.Command("quit"), Lines{"ok"});
  EXPECT_EQ(s->sim.Wait(), 0);
}

TEST_F(Window, APersonsScanAndKeysInTheWindowAreRecordedWithTheHostsScreens) {
  Session s({"--ui=sdl", "--record", "session.txt"}, Env());
  ASSERT_TRUE(s.accepted) << s.sim.Diagnostics();
  // A field that sends when a scan fills it.
  EXPECT_EQ(s.Host(HostCommand("\\1T\\Code:\\P        \\")), "");
  // Alt+S again while no box has come of it: a key before the window
  // takes keys is lost.
  bool opened = false;
  for (int attempt = 0; attempt < 5 && !opened; ++attempt) {
    ASSERT_TRUE(x_.Focus(kTitle));
    x_.Tool("key alt+s");
    opened = x_.Focus("Scan", 10);
  }
  ASSERT_TRUE(opened) << s.sim.Diagnostics();
  x_.Tool("type --delay 20 4711");
  x_.Tool("key Return");
  // The box's text arrives as the host's own scan would.
  const std::string scan("K\\1\\0\\S\0014711\\\\w\0F=00\0", 21);
  EXPECT_EQ(s.host.Receive(scan.size(), 30000), scan);
  EXPECT_EQ(s.Host(kForm), "");
  ASSERT_TRUE(x_.Focus(kTitle)) << s.sim.Diagnostics();
  x_.Tool("type --delay 20 'a\"b'");
  x_.Tool("key Tab ctrl+p");
  s.host.ReceiveUntilQuiet(500, 5000);
  EXPECT_EQ(s.sim.Command("quit"), Lines{"ok"}) << s.sim.Diagnostics();
  EXPECT_EQ(s.sim.Wait(), 0) << s.sim.Diagnostics();
  // The waits depend on whether the terminal had its answer; the rest is
  // what the person did, and the screens the host showed between.
  std::string body;
  std::istringstream script(s.dir.Read("session.txt"));
  for (std::string line; std::getline(script, line);) {
    if (line[0] != '#' && line.rfind("wait ", 0) != 0) body += line + "\n";
  }
  EXPECT_EQ(body,
            "expect screen session-001.golden\n"
            "scan \"4711\"\n"
            "expect screen session-002.golden\n"
            "type \"a\\\"b\"\n"
            "key Tab\n"
            "key Ctrl+P\n");
  EXPECT_NE(s.dir.Read("session-002.golden").find("|Code:4711    Name:  |\n|             REV    |"),
            std::string::npos)
      << s.dir.Read("session-002.golden");
}

TEST_F(Window, AMessageBoxIsAnsweredInTheWindowAndTheHostHearsOfIt) {
  const auto s = ShowForm();
  s->sim.Command("events");
  // A record of an unknown kind: a box without a caption of its own.
  s->host.Send(
      "\x90"
      "123\n");
  ASSERT_TRUE(x_.Focus("Error")) << s->sim.Diagnostics();
  x_.Tool("key Return");
  EXPECT_EQ(s->host.Receive(4, 30000), "K\\\\1");
  const Lines events = s->sim.Command("events");
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events[0].rfind("msgbox \"\" \"Bad Command:", 0), 0u) << events[0];
  EXPECT_NE(events[0].find(" ok ok"), std::string::npos);
  EXPECT_EQ(s->sim.Command("quit"), Lines{"ok"});
}

TEST_F(Window, TheSetupWindowsFieldsEditedWithKeysGiveTheNewSize) {
  TempDir dir;
  LoopbackHost host;
  // No size anywhere: the setup window comes first, proposing 20 x 16.
  Marlsim sim({"--ui=sdl", Port(host)}, dir.path(), Env());
  ASSERT_TRUE(x_.Focus("Marlpoint Simulator Screen Setup")) << sim.Diagnostics();
  ASSERT_TRUE(Until([&] { return SetupField(sim, 1) == "20"; }, 60000)) << sim.Diagnostics();
  // Keys that come before the window takes them are lost: the first edit is
  // sent again while none of it has arrived. It clears the field whole, so
  // a late copy of it leaves the same text.
  bool taken = false;
  for (int attempt = 0; attempt < 5 && !taken; ++attempt) {
    x_.Focus("Marlpoint Simulator Screen Setup");
    x_.Tool("key BackSpace BackSpace BackSpace BackSpace");
    x_.Tool("type 30x");  // COLS takes any character; only two are read
    taken = Until([&] { return SetupField(sim, 1) != "20"; }, 10000);
  }
  ASSERT_TRUE(Until([&] { return SetupField(sim, 1) == "30x"; }, 30000)) << SetupField(sim, 1);
  // From here the window takes every key.
  x_.Tool("key Tab BackSpace BackSpace");
  x_.Tool("type 1a2");  // ROWS takes digits only
  ASSERT_TRUE(Until([&] { return SetupField(sim, 3) == "12"; }, 30000)) << SetupField(sim, 3);
  x_.Tool("key shift+Tab Tab Return");
  ASSERT_TRUE(host.Accept(60000)) << sim.Diagnostics();
  EXPECT_EQ(host.Receive(17, 30000), "P,Rows=12,Cols=30");
  EXPECT_EQ(dir.Read("vozido.ini"), "ROWS=12\nCOLS=30\n");
  EXPECT_EQ(sim.Command("screen").at(0).rfind("screen 12 30 ", 0), 0u);
  EXPECT_EQ(sim.Command("quit"), Lines{"ok"});
}

// A window's script fails as a headless one does: the error names the
// script's file and line, and the run ends with 2.
TEST_F(Window, AFailedExpectInTheWindowsScriptNamesItsFileAndLine) {
  TempDir dir;
  dir.Write("fail.txt", "wait ready 30s\nexpect text \"Nowhere\" 100ms\nquit\n");
  Marlsim sim({"--demo", "--ui=sdl", "--size", "20x16", "--script", "fail.txt"}, dir.path(), Env());
  EXPECT_EQ(sim.Wait(60000), 2) << sim.Diagnostics();
  EXPECT_NE(sim.RemainingOutput(0).find("error: fail.txt:2: expect text \"Nowhere\""),
            std::string::npos);
}

TEST_F(Window, AFailedConnectionsBoxWaitsForOkWithTheReasonInTheTitle) {
  TempDir dir;
  const std::string port = std::to_string(UnusedPort());
  // Started as from a desktop's menu: standard input is no script.
  std::string command = "cd " + dir.path();
  for (const auto& [name, value] : Env()) command += " && export " + name + "=" + value;
  command += std::string(" && { ") + MARLSIM_PATH + " --ui=sdl --size 20x16 -P" + port +
             " </dev/null 2>stderr.txt & echo $! >pid; wait $!; echo $?; }";
  std::atomic<bool> ended = false;
  std::string status;
  std::thread run([&] {
    status = Shell(command);
    ended = true;
  });
  const std::string why = "cannot connect to host 127.0.0.1 port " + port + ": Connection refused";
  const bool titled = !x_.Find("marlsim: " + why).empty();
  // The main window has its new title; the box is the one with the caption.
  const bool boxed = titled && x_.Focus(kTitle);
  EXPECT_TRUE(titled && boxed) << dir.Read("stderr.txt");
  EXPECT_FALSE(ended);  // the box holds the program until it is answered
  // A key that comes before the box takes keys is lost: Return again while
  // the program still waits.
  for (int attempt = 0; boxed && attempt < 10 && !ended; ++attempt) {
    x_.Focus(kTitle, 5);
    x_.Tool("key Return");
    Until([&] { return ended.load(); }, 5000);
  }
  if (!ended) kill(std::atoi(dir.Read("pid").c_str()), SIGKILL);
  run.join();
  EXPECT_EQ(status, "1\n");
  EXPECT_NE(dir.Read("stderr.txt").find("marlsim: " + why + "\n"), std::string::npos);
}

}  // namespace
}  // namespace marl::testing
