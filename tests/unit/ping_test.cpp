#include "link/ping.h"

#include <gtest/gtest.h>

#include <string>

#include "app/main_window.h"
#include "link/transmit.h"
#include "platform/messages.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

constexpr uint64_t kStart = 133000000000000000ULL;
constexpr uint64_t kMs = 10000;  // 100-ns units

TEST(FormatElapsed, MillisecondsSecondsAndClockTime) {
  TestTerminal tt;
  Terminal& t = tt.t();
  EXPECT_STREQ(FormatElapsed(t, kStart, kStart + 12345678, 5), "1234");
  EXPECT_STREQ(FormatElapsed(t, kStart, kStart + 12345678, 0), "1");
  EXPECT_STREQ(FormatElapsed(t, kStart, kStart + 12345678, 1), "000:00:01");
  EXPECT_STREQ(FormatElapsed(t, kStart, kStart + 999, 5), "0");
  EXPECT_STREQ(FormatElapsed(t, kStart, kStart + 3725 * 1000 * kMs, 1), "001:02:05");
  EXPECT_STREQ(FormatElapsed(t, kStart, kStart + 65 * 1000 * kMs, 7), "000:01:05");
  EXPECT_STREQ(FormatElapsed(t, kStart, kStart + 3600 * 1000 * kMs, 1), "001:00:00");
  // A clock that went back gives a negative figure, not garbage.
  EXPECT_STREQ(FormatElapsed(t, kStart, kStart - 20 * kMs, 5), "-20");
}

TEST(ResponseTime, CountsFromTheLastTransmission) {
  TestTerminal tt;
  tt.platform().set_now(kStart);
  Transmit(tt.t(), -1, "x", "Waiting");
  tt.platform().set_now(kStart + 1234 * kMs + 9999);
  EXPECT_EQ(ResponseTimeMs(tt.t()), 1234);
}

TEST(Ping, TheHostDrivesTheCycleUntilItIsSwitchedOff) {
  TestTerminal tt;
  Terminal& t = tt.t();
  tt.platform().set_now(kStart);
  EXPECT_EQ(TogglePing(t), 1);
  EXPECT_EQ(tt.Sent(), "NG,0");
  EXPECT_EQ(tt.Row(4), ".....PINGing........");

  tt.platform().set_now(kStart + 35 * kMs);
  EXPECT_EQ(PingReply(t), 1);
  EXPECT_EQ(tt.Row(6), "Elapsed:35ms PingCou");
  EXPECT_EQ(tt.Sent(), "NG,35");
  EXPECT_EQ(t.link.ping_count, 1);

  // While pinging, a paint request leaves the window as it is.
  MainWindowProc(t, kWmPaint, 0, 0);
  EXPECT_EQ(tt.Row(4), ".....PINGing........");

  tt.platform().set_now(kStart + 35 * kMs + 7 * kMs);
  EXPECT_EQ(PingReply(t), 1);
  EXPECT_EQ(tt.Row(7), "Elapsed:7ms PingCoun");
  EXPECT_EQ(tt.Sent(), "NG,7");

  EXPECT_EQ(TogglePing(t), 0);
  EXPECT_EQ(tt.Sent(), "");
  const std::string row6 = tt.Row(6);
  EXPECT_EQ(PingReply(t), 0);
  EXPECT_EQ(tt.Sent(), "");
  EXPECT_EQ(tt.Row(6), row6);
}

TEST(Ping, SwitchingOnAgainStartsTheCountAgain) {
  TestTerminal tt;
  TogglePing(tt.t());
  PingReply(tt.t());
  TogglePing(tt.t());
  TogglePing(tt.t());
  EXPECT_EQ(tt.t().link.ping_count, 0);
  EXPECT_EQ(tt.Row(6), "                    ");
}

}  // namespace
}  // namespace marl::testing
