// The keyboard and the scanner of the real program, driven through the
// automation commands, against a host played over loopback.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "harness.h"
#include "temp_dir.h"

namespace marl::testing {
namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;

// A command record: kind 0x82, eight header bytes (0x80 stands for 0 with
// its top bit off), the body and a line end.
std::string Command(const std::string& body) {
  return "\x82" + std::string(5, char(0x80)) + "000" + body + "\n";
}

// The form of slot 1: User (plain) on row 0 and Pass (password) on row 1,
// six cells each.
const std::string kLogin = Command("\\1T\\User:\\@      \\|09Pass:\\A      \\");

// A started terminal whose power-up the host has read.
class Session {
 public:
  Session() : sim_({"--size", "20x16", "-P" + std::to_string(host_.port())}, dir_.path()) {
    accepted_ = host_.Accept(10000);
    if (accepted_) host_.ReceiveUntilQuiet(300, 5000);
    sim_.Command("events");
  }
  bool accepted() const { return accepted_; }
  LoopbackHost& host() { return host_; }
  Marlsim& sim() { return sim_; }
  // Sends host bytes, waits until the terminal has handled them, and gives
  // back what it answered.
  std::string Host(const std::string& bytes) {
    sim_.Command("state");
    host_.Send(bytes);
    sim_.Command("wait output");
    return host_.ReceiveUntilQuiet(200, 3000);
  }
  // Runs automation commands and gives back what went to the host.
  std::string Keys(const Lines& commands) {
    for (const std::string& c : commands) EXPECT_EQ(sim_.Command(c), Lines{"ok"}) << c;
    return host_.ReceiveUntilQuiet(200, 3000);
  }

 private:
  TempDir dir_;
  LoopbackHost host_;
  Marlsim sim_;
  bool accepted_ = false;
};

TEST(Input, LogInThroughTheHostsFormAndTypeAheadOfTheNextOne) {
  Session s;
  ASSERT_TRUE(s.accepted()) << s.sim().Diagnostics();
  EXPECT_EQ(s.Host(kLogin), "");
  EXPECT_EQ(s.Keys({"type bob", "key Tab", "type pw1", "key Enter"}),
            "K\\1\\0\\Kbob\\1\\Kpw1\\\\w\0F=01\0"s);
  EXPECT_EQ(s.sim().Rows().at(1), "Pass:***            ");

  // Typed while the host is busy: kept, and typed into the next form.
  EXPECT_EQ(s.Keys({"type 42", "key Enter"}), "");  // Enter goes back to the host: dropped
  EXPECT_EQ(s.Host(Command("\\2T\\Item:\\@        \\")), "");
  EXPECT_EQ(s.sim().Rows().at(0), "Item:42             ");
  EXPECT_EQ(s.Keys({"key Enter"}), "K\\2\\0\\K42\\\\w\0F=00\0"s);
}

TEST(Input, KeyMapLoadedByTheHost) {
  Session s;
  ASSERT_TRUE(s.accepted()) << s.sim().Diagnostics();
  EXPECT_EQ(s.Host(Command("\\F\\12@T\\@A@rM")), "K\\\\0");
  EXPECT_EQ(s.Host(kLogin), "");
  EXPECT_EQ(s.Keys({"key F1", "type x", "key Enter"}), "K\\1\\0\\K12\\1\\Kx\\\\w\0F=01\0"s);
  EXPECT_EQ(s.Host(kLogin), "");
  // The second map ends the turn with its own reply in place of the form's.
  EXPECT_EQ(s.Keys({"key F2"}), "K\\\\\r\0F=00\0"s);
}

TEST(Input, ScanInjectedByTheHost) {
  Session s;
  ASSERT_TRUE(s.accepted()) << s.sim().Diagnostics();
  // A field that sends when a scan fills it; the scan ends with Enter.
  EXPECT_EQ(s.Host(Command("\\1T\\Code:\\P        \\")), "");
  EXPECT_EQ(s.Host(Command("\\IX 4711")), "K\\1\\0\\S\0014711\\\\w\0F=00\0"s);
  // The script's scan takes the same road; what follows a zero byte is cut.
  EXPECT_EQ(s.Host(Command("\\1T\\Code:\\P        \\")), "");
  EXPECT_EQ(s.Keys({"scan \"4711\\x00junk\""}), "K\\1\\0\\S\0014711\\\\w\0F=00\0"s);
}

TEST(Input, NewSizeFromTheSetupHotKeyGoesToTheHostWithCtrlP) {
  Session s;
  ASSERT_TRUE(s.accepted()) << s.sim().Diagnostics();
  // Ctrl+F1: answered as soon as the setup window is open, which then takes
  // the commands that follow until Enter closes it.
  EXPECT_EQ(s.sim().Command("hotkey 9"), Lines{"ok"});
  EXPECT_NE(s.sim().Rows().at(1).find("COLS:"), std::string::npos);
  EXPECT_EQ(s.Keys({"key Backspace", "key Backspace", "type 30", "key Tab", "key Backspace",
                    "key Backspace", "type 12", "key Enter"}),
            "");
  EXPECT_EQ(s.sim().RemainingOutput(300), "");
  const Lines screen = s.sim().Command("screen");
  EXPECT_EQ(screen.at(0), "screen 12 30 1 0");
  EXPECT_EQ(screen.at(1), "Press CTRL-P" + std::string(18, ' '));
  EXPECT_EQ(s.Keys({"key Ctrl+P"}).substr(0, 21), "P,Rows=12,Cols=30\0IP="s);
}

TEST(Input, PingModeWithCtrlNAnsweredByTheHostsPing) {
  Session s;
  ASSERT_TRUE(s.accepted()) << s.sim().Diagnostics();
  // Ctrl+N acts even while the terminal waits for the host's first screen.
  EXPECT_EQ(s.sim().Command("key Ctrl+N"), Lines{"ok"});
  EXPECT_EQ(s.host().Receive(4, 5000), "NG,0");
  const std::string ping = s.Host(Command("\\PING"));
  EXPECT_TRUE(std::regex_match(ping, std::regex(R"(NG,\d+)"))) << ping;

  // Off again: the host's next ping gets no answer.
  EXPECT_EQ(s.sim().Command("hotkey 6"), Lines{"ok"});
  EXPECT_EQ(s.Host(Command("\\PING")), "");
}

}  // namespace
}  // namespace marl::testing
