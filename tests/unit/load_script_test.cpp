// The load driver's small pieces: placeholders, each terminal's command
// line and address, and the response-time quantiles of its report.
#include "ui/load/load_script.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <string>

#include "ui/load/load_driver.h"
#include "ui/load/load_report.h"

namespace marl {
namespace {

TEST(LoadScript, PlaceholdersAreFilledPerTerminalAndIteration) {
  struct Case {
    const char* text;
    const char* filled;  // null: refused
  };
  const Case cases[] = {
      {"type \"user{n:03}\"", "type \"user007\""},
      {"type \"{n}-{i}\"", "type \"7-12\""},
      {"type \"{n:01}\"", "type \"7\""},
      {"type \"{x} {} {\"", "type \"{x} {} {\""},  // braces of the text's own
      {"type \"{n:3}\"", nullptr},
      {"type \"{n:0}\"", nullptr},
      {"type \"{nn}\"", nullptr},
      {"type \"{n\"", nullptr},
  };
  for (const Case& c : cases) {
    std::string out;
    std::string error;
    const bool ok = FillPlaceholders(c.text, 7, 12, &out, &error);
    EXPECT_EQ(ok, c.filled != nullptr) << c.text;
    if (ok) {
      EXPECT_EQ(out, c.filled);
    } else {
      EXPECT_NE(error.find("bad placeholder"), std::string::npos) << error;
    }
  }
}

TEST(LoadScript, WaitsAndSleepsAreTheDriversOwn) {
  LoadCommand command;
  WaitSpec wait;
  std::string error;
  ASSERT_TRUE(ParseLoadCommand("WAIT text \"Menu\" 250", &command, &wait, &error));
  EXPECT_EQ(command, LoadCommand::kWait);
  EXPECT_EQ(wait.kind, WaitKind::kText);
  EXPECT_EQ(wait.text, "Menu");
  EXPECT_EQ(wait.limit_ms, 250);
  ASSERT_TRUE(ParseLoadCommand("wait ready", &command, &wait, &error));
  EXPECT_EQ(wait.limit_ms, 5000);
  ASSERT_TRUE(ParseLoadCommand("key Enter", &command, &wait, &error));
  EXPECT_EQ(command, LoadCommand::kAutomation);
  for (const char* bad : {"wait quiet", "wait text", "wait ready soon", "sleep", "sleep -1"}) {
    EXPECT_FALSE(ParseLoadCommand(bad, &command, &wait, &error)) << bad;
  }
}

TEST(LoadDriver, EachTerminalHasItsOwnIdAndAddress) {
  EXPECT_EQ(TerminalCommandLine("-ISCAN -P5000", 12), "-ISCAN12 -P5000");
  EXPECT_EQ(TerminalCommandLine("-P5000 -iscan  ", 3), "-P5000 -iscan3  ");
  EXPECT_EQ(TerminalCommandLine("-ISC{n:04} -P5000", 3), "-ISC0003 -P5000");
  EXPECT_EQ(TerminalCommandLine("-H127.0.0.1 -P5000", 3), "-H127.0.0.1 -P5000");
  EXPECT_EQ(TerminalCommandLine("", 3), "");

  auto text = [](uint32_t address) {
    char out[INET_ADDRSTRLEN];
    in_addr a{address};
    return std::string(inet_ntop(AF_INET, &a, out, sizeof out));
  };
  EXPECT_EQ(text(TerminalSourceAddress(1)), "127.1.0.1");
  EXPECT_EQ(text(TerminalSourceAddress(254)), "127.1.0.254");
  EXPECT_EQ(text(TerminalSourceAddress(255)), "127.1.1.1");
  EXPECT_EQ(text(TerminalSourceAddress(kMaxLoadTerminals)), "127.1.255.230");
}

TEST(LoadReport, ResponsePercentilesAreTheSamplesOfTheirRank) {
  ResponseTimes times;
  EXPECT_EQ(times.QuantileMs(0.5), 0);
  // 1 ms to 21 ms, one sample each: a percentile q is the sample of rank
  // ceil(q x 21), within the histogram's precision.
  for (uint64_t ms = 21; ms >= 1; --ms) times.Add(ms * 1000);
  EXPECT_EQ(times.count(), 21u);
  const std::pair<double, double> ranks[] = {{0.01, 1}, {0.5, 11}, {0.9, 19}, {0.99, 21}, {1, 21}};
  for (const auto& [q, ms] : ranks) EXPECT_NEAR(times.QuantileMs(q), ms, ms * 0.02) << q;
  EXPECT_EQ(times.MaxMs(), 21);
  ResponseTimes more;
  more.Add(20);  // 0.02 ms, below the first doubling: exact
  more.Merge(times);
  EXPECT_EQ(more.QuantileMs(0.0001), 0.02);
  EXPECT_EQ(more.count(), 22u);
}

}  // namespace
}  // namespace marl
