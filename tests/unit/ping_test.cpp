#include "link/ping.h"

#include <gtest/gtest.h>

#include <string>

#include "app/main_window.h"
#include "platform/messages.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

constexpr uint64_t kStart = 133000000000000000ULL;
constexpr uint64_t kMs = 10000;  // 100-ns units

TEST(FormatElapsed, MillisecondsSecondsAndClockTime) {
  const struct {
    int64_t elapsed;
    int32_t format;
    const char* text;
  } cases[] = {
      {12345678, 5, "1234"},
      {12345678, 0, "1"},
      {12345678, 1, "000:00:01"},
      {999, 5, "0"},
      {3725 * 1000 * kMs, 1, "001:02:05"},
      {65 * 1000 * kMs, 7, "000:01:05"},
      {3600 * 1000 * kMs, 1, "001:00:00"},
      {-20 * int64_t(kMs), 5, "-20"},  // a clock that went back: negative, not garbage
  };
  TestTerminal tt;
  for (const auto& c : cases) {
    EXPECT_STREQ(FormatElapsed(tt.t(), kStart, kStart + c.elapsed, c.format), c.text) << c.text;
  }
}

TEST(Ping, TheHostDrivesTheCycleUntilItIsSwitchedOff) {
  TestTerminal tt;
  Terminal& t = tt.t();
  tt.platform().set_now(kStart);
  EXPECT_EQ(TogglePing(t), 1);
  EXPECT_EQ(tt.Sent(), "NG,0");
  EXPECT_EQ(tt.Row(4), ".....PINGing........");
  tt.platform().set_now(kStart + 35 * kMs + 9999);
  EXPECT_EQ(ResponseTimeMs(t), 35);  // from the last transmission, in whole milliseconds
  EXPECT_EQ(PingReply(t), 1);
  EXPECT_EQ(tt.Row(6), "Elapsed:35ms PingCou");
  EXPECT_EQ(tt.Sent(), "NG,35");
  // While pinging, a paint request leaves the window as it is.
  MainWindowProc(t, kWmPaint, 0, 0);
  EXPECT_EQ(tt.Row(4), ".....PINGing........");
  tt.platform().set_now(kStart + 42 * kMs + 9999);
  EXPECT_EQ(PingReply(t), 1);
  EXPECT_EQ(tt.Row(7), "Elapsed:7ms PingCoun");
  EXPECT_EQ(tt.Sent(), "NG,7");
  EXPECT_EQ(t.link.ping_count, 2);

  EXPECT_EQ(TogglePing(t), 0);
  const std::string row7 = tt.Row(7);
  EXPECT_EQ(PingReply(t), 0);
  EXPECT_EQ(tt.Sent(), "");
  EXPECT_EQ(tt.Row(7), row7);
  // Switched on again, the count starts again.
  TogglePing(t);
  EXPECT_EQ(t.link.ping_count, 0);
  EXPECT_EQ(tt.Row(6), "                    ");
}

}  // namespace
}  // namespace marl::testing
