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

// A command record: kind 0x82, eight header bytes, the body and a line end.
std::string Command(const std::string& body, const std::string& header = "00000000") {
  return "\x82" + header + body + "\n";
}

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
  // Sends host bytes and waits until the terminal has handled them.
  void Host(const std::string& bytes) {
    sim_.Command("state");
    host_.Send(bytes);
    sim_.Command("wait output");
  }

 private:
  TempDir dir_;
  LoopbackHost host_;
  Marlsim sim_;
  bool accepted_ = false;
};

TEST(Input, PingModeWithCtrlNAnsweredByTheHostsPing) {
  Session s;
  ASSERT_TRUE(s.accepted()) << s.sim().Diagnostics();
  // Ctrl+N acts even while the terminal waits for the host's first screen.
  EXPECT_EQ(s.sim().Command("key Ctrl+N"), Lines{"ok"});
  EXPECT_EQ(s.host().Receive(4, 5000), "NG,0");
  Lines rows = s.sim().Rows();
  ASSERT_EQ(rows.size(), 16u);
  EXPECT_EQ(rows[4], ".....PINGing........");

  s.Host(Command("\\PING"));
  const std::string ping = s.host().ReceiveUntilQuiet(300, 5000);
  EXPECT_TRUE(std::regex_match(ping, std::regex(R"(NG,\d+)"))) << ping;
  rows = s.sim().Rows();
  EXPECT_TRUE(std::regex_match(rows[6], std::regex(R"(Elapsed:\d+ms Ping.*)"))) << rows[6];

  // Off again: the host's next ping gets no answer.
  EXPECT_EQ(s.sim().Command("hotkey 6"), Lines{"ok"});
  s.Host(Command("\\PING"));
  EXPECT_EQ(s.host().ReceiveUntilQuiet(300, 2000), "");
}

}  // namespace
}  // namespace marl::testing
