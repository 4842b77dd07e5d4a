// `marlsim --demo`: the terminal and the demo warehouse host in one process,
// driven through the whole demo as a newcomer would, with the host's own log
// of every message it received.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"

namespace marl::testing {
namespace {

class Demo {
 public:
  Demo()
      : sim_({"--demo", "--ui=headless", "--size", "20x16", "--demo-log", "host.log"},
             dir_.path()) {}
  Marlsim& sim() { return sim_; }
  // Runs commands, each of which must answer ok.
  void Do(const Lines& commands) {
    for (const std::string& c : commands) EXPECT_EQ(sim_.Command(c), Lines{"ok"}) << c;
  }
  // The screen's first `n` rows once `text` stands on it.
  Lines Screen(const std::string& text, size_t n = 6) {
    EXPECT_EQ(sim_.Command("wait text \"" + text + "\""), Lines{"ok"}) << text;
    Lines rows = sim_.Rows();
    rows.resize(std::min(n, rows.size()));
    return rows;
  }
  // The next `n` lines of the host's log, without the "demo host:
  // terminal 1: " before each; the host writes them on its own thread, so
  // they are waited for.
  Lines HostSaw(size_t n) {
    Lines lines;
    for (int tries = 0; tries < 3000 && lines.size() < seen_ + n; ++tries) {
      if (tries > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      lines.clear();
      std::istringstream log(dir_.Read("host.log"));
      // A line still being written has no line end yet.
      for (std::string line; std::getline(log, line) && !log.eof();) {
        const std::string prefix = "demo host: terminal 1: ";
        lines.push_back(line.rfind(prefix, 0) == 0 ? line.substr(prefix.size()) : line);
      }
    }
    lines.erase(lines.begin(), lines.begin() + long(std::min(seen_, lines.size())));
    lines.resize(std::min(n, lines.size()));
    seen_ += lines.size();
    return lines;
  }

 private:
  TempDir dir_;
  Marlsim sim_;
  size_t seen_ = 0;
};

TEST(Demo, LogInReceiveByScanAndByTypingSeeTheTallyAndGoBack) {
  Demo d;
  EXPECT_EQ(d.Screen("Pass:"),
            (Lines{" MARL WAREHOUSE     ", "Sign in, any name   ", "Password: demo      ",
                   "                    ", "User:               ", "Pass:               "}));
  EXPECT_EQ(d.HostSaw(2),
            (Lines{"connected", "power-up \"P,Rows=16,Cols=20\\x00IP=" + LocalAddress() +
                                    "\" -> power-up: login screen"}));

  // A wrong password: the error tone and the login form again.
  d.sim().Command("events");
  d.Do({"type \"Ann\"", "key Tab", "type \"x\"", "key Enter"});
  EXPECT_EQ(d.Screen("Wrong").at(1), "Wrong password      ");
  // The events show what went to the host too: the reply, the tone's status.
  EXPECT_EQ(d.sim().Command("events"),
            (Lines{"send \"K\\\\1\\\\0\\\\KAnn\\\\1\\\\Kx\\\\\\\\w\\x00F=01\\x00\"", "beep 600 400",
                   "send \"K\\\\\\\\0\"", "ok"}));
  d.Do({"type \"demo\"", "key Enter"});
  EXPECT_EQ(d.Screen("Log out Ann", 5),
            (Lines{"1 Receive goods     ", "2 Received list     ", "3 Ping test         ",
                   "4 Log out Ann       ", "                    "}));
  EXPECT_EQ(
      d.HostSaw(6),
      (Lines{"form reply \"K\\1\\0\\KAnn\\1\\Kx\\\\w\\x00F=01\\x00\" -> login: wrong password",
             "status \"K\\\\0\" -> status: done",
             "form reply \"K\\1\\1\\Kdemo\\\\w\\x00F=01\\x00\" -> login: Ann signed in",
             "status \"K\\\\0\" -> status: done", "status \"K\\\\0\" -> status: done",
             "status \"K\\\\0\" -> status: done"}));

  // Receive goods: F2 has the host play the scanner, and the label's stars
  // come off; then an item typed.
  d.Do({"key Enter"});
  EXPECT_EQ(d.Screen("RECEIVE").at(4), "Item:               ");
  d.Do({"key F2"});
  EXPECT_EQ(d.Screen("Item: A100").at(5), "Qty:                ");
  d.Do({"type \"12\"", "key Enter"});
  EXPECT_EQ(d.Screen("+12 A100").at(4), "Item:               ");
  d.Do({"type \"C300\"", "key Tab", "type \"7\"", "key Enter"});
  EXPECT_EQ(d.Screen("+7 C300").at(1), "+7 C300             ");
  EXPECT_EQ(
      d.HostSaw(6),
      (Lines{"table reply \"S0\\\\w\\x00F=00\\x00\" -> menu: receive goods",
             "form reply \"K\\2\\\\s\\x00F=00\\x00\" -> receive: scan of A100",
             "form reply \"K\\2\\0\\S\\x01A100\\1\\K12\\\\w\\x00F=01\\x00\" -> receive: +12 A100",
             "status \"K\\\\0\" -> status: done",
             "form reply \"K\\2\\0\\KC300\\1\\K7\\\\w\\x00F=01\\x00\" -> receive: +7 C300",
             "status \"K\\\\0\" -> status: done"}));

  // F3 goes back; the stored tally shows both counts.
  d.Do({"key F3"});
  d.Screen("1 Receive goods");
  d.Do({"key Down", "key Enter"});
  EXPECT_EQ(d.Screen("RECEIVED Ann"),
            (Lines{" RECEIVED Ann       ", "Esc or F3: menu     ", "A100 Bolts M8    12 ",
                   "B200 Nuts M8      0 ", "C300 Washers      7 ", "D400 Hinges       0 "}));
  d.Do({"key Esc"});
  d.Screen("1 Receive goods");
  EXPECT_EQ(d.HostSaw(3),
            (Lines{"form reply \"K\\2\\\\b\\x00F=00\\x00\" -> receive: back to the menu",
                   "table reply \"S1\\\\w\\x00F=00\\x00\" -> menu: received list",
                   "form reply \"K\\3\\\\z\\x00F=00\\x00\" -> back to the menu"}));
  EXPECT_EQ(d.sim().Command("quit"), Lines{"ok"});
  EXPECT_EQ(d.sim().Wait(), 0);
}

TEST(Demo, PingTestAndLogOut) {
  Demo d;
  d.Screen("Pass:");
  d.Do({"type \"bo\"", "key Tab", "type \"demo\"", "key Enter"});
  d.Screen("Log out bo");
  d.Do({"key Up", "key Up", "key Enter"});  // round the end to item 3
  d.Screen("PING TEST");
  d.Do({"key Ctrl+N"});
  EXPECT_EQ(d.sim().Command("wait text \"Elapsed:\""), Lines{"ok"});
  d.Do({"key Ctrl+N", "key Esc"});
  d.Screen("1 Receive goods");
  d.Do({"key Up", "key Enter"});
  d.Screen("MARL WAREHOUSE");
  // Every message up to the power-up that followed the reset.
  Lines saw;
  const std::string power_up =
      "power-up \"P,Rows=16,Cols=20\\x00IP=" + LocalAddress() + "\" -> power-up: login screen";
  while (saw.size() < 100 && (saw.size() < 3 || saw.back() != power_up)) {
    const Lines next = d.HostSaw(1);
    if (next.empty()) break;
    saw.push_back(next[0]);
  }
  EXPECT_NE(std::find(saw.begin(), saw.end(), "ping \"NG,0\" -> ping: answered"), saw.end());
  EXPECT_EQ(saw.back(), power_up);
}

}  // namespace
}  // namespace marl::testing
