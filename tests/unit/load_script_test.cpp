// The load driver's small pieces: placeholders, each terminal's command
// line and address, and the response-time quantiles of its report.
#include "ui/load/load_script.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "demo/demo_session.h"
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

TEST(LoadScript, TheIterationCountedRound) {
  const struct {
    const char* text;
    int64_t iteration;
    const char* filled;  // null: refused
  } cases[] = {
      {"{i%9999}", 1, "1"},     {"{i%9999}", 9999, "9999"},
      {"{i%9999}", 10000, "1"}, {"{i%9999}", 123456789, "9135"},
      {"{i%1}", 5, "1"},        {"q{i%3}:{i}", 4, "q1:4"},
      {"{i%0}", 1, nullptr},    {"{i%}", 1, nullptr},
      {"{i%-2}", 1, nullptr},   {"{i%9999999999}", 1, nullptr},
  };
  for (const auto& c : cases) {
    std::string out;
    const bool ok = FillPlaceholders(c.text, 7, c.iteration, &out).empty();
    EXPECT_EQ(ok, c.filled != nullptr) << c.text;
    if (ok) {
      EXPECT_EQ(out, c.filled) << c.text << " at " << c.iteration;
    }
  }
}

// The shipped example against the demo host's own rules, however long the
// run: every quantity it types is one the host takes, and the answer it
// waits for is the one the host gives.
TEST(LoadScript, TheShippedExampleTypesQuantitiesTheDemoTakesAtAnyIteration) {
  std::ifstream file(RECEIVE_LOOP);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  ASSERT_FALSE(lines.empty());
  for (const int64_t iteration : {int64_t(1), int64_t(9999), int64_t(10000), int64_t(86400000)}) {
    std::string quantity;
    std::string awaited;
    for (size_t k = 0; k + 1 < lines.size(); ++k) {
      if (lines[k] != "key Tab") continue;
      std::string typed, wait;
      ASSERT_EQ(FillPlaceholders(lines[k + 1], 65000, iteration, &typed), "");
      quantity = typed.substr(6, typed.size() - 7);  // type "Q"
      for (size_t w = k; w < lines.size(); ++w) {
        if (lines[w].rfind("wait text \"+", 0) != 0) continue;
        ASSERT_EQ(FillPlaceholders(lines[w], 65000, iteration, &wait), "");
        awaited = wait.substr(11, wait.size() - 12);
        break;
      }
    }
    demo::DemoSession s;
    host::TerminalMessage m;
    const auto say = [&](const std::string& bytes) {
      EXPECT_EQ(host::ParseTerminalMessage(bytes, &m).status, host::ParseStatus::kOk);
      return s.OnMessage(m);
    };
    using namespace std::string_literals;
    say("P,Rows=16,Cols=20\0IP=127.0.0.1"s);
    say("K\\1\\0\\Krf\\1\\Kdemo\\\\w\0F=01\0"s);
    say("S0\\\\w\0F=00\0"s);
    const demo::Answer answer = say("K\\2\\0\\KB200\\1\\K" + quantity + "\\\\w\0F=01\0"s);
    EXPECT_EQ(answer.note, "receive: " + awaited) << "iteration " << iteration;
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
      {"wait ready soon", wait_usage},
      {"sleep", "usage: sleep MS"},
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
