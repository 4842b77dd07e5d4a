// The load driver's small pieces: placeholders, each terminal's command
// line and address, and the response-time quantiles of its report.
#include "ui/load/load_script.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "temp_dir.h"
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
    const std::string error = FillPlaceholders(c.text, 7, 12, &out);
    const bool ok = error.empty();
    EXPECT_EQ(ok, c.filled != nullptr) << c.text;
    if (ok) {
      EXPECT_EQ(out, c.filled);
    } else {
      EXPECT_NE(error.find("bad placeholder"), std::string::npos) << error;
    }
  }
}

// Every line is tried before the run, waits and sleeps included: a
// malformed one is refused with the automation interface's own reason and
// its line, a well-formed one (whatever its case) passes.
TEST(LoadScript, WaitsAndSleepsAreCheckedBeforeTheRun) {
  testing::TempDir dir;
  const std::string path = dir.path() + "/script.txt";
  const std::string wait_usage =
      "usage: wait ready [MS] | wait output [MS] | wait text \"TEXT\" [MS] | wait quiet MS | "
      "wait closed [MS]";
  struct Case {
    const char* line;
    std::string reason;  // "" when the script is taken
  } cases[] = {
      {"WAIT text \"Menu\" 250", ""},
      {"wait ready", ""},
      {"key Enter", ""},
      {"sleep 10", ""},
      {"quit", ""},
      {"wait quiet", wait_usage},
      {"wait text", wait_usage},
      {"wait ready soon", wait_usage},
      {"sleep", "usage: sleep MS"},
      {"sleep -1", "usage: sleep MS"},
      {"key Nowhere", "unknown key \"Nowhere\""},
  };
  for (const Case& c : cases) {
    std::ofstream(path) << "# a comment\n" << c.line << "\n";
    LoadScript script;
    const std::string error = ReadLoadScript(path, 16, 20, &script);
    const bool ok = error.empty();
    EXPECT_EQ(error, c.reason.empty() ? "" : path + ":2: " + c.reason) << c.line;
    EXPECT_EQ(script.lines.size(), ok ? 1u : 0u) << c.line;
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
