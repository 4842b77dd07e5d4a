// marlsim --load against a host of many terminals played over loopback:
// every reply arrives once and in order, the report counts what the host
// counted, and one terminal's trouble stays its own.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "load_host.h"

namespace marl::testing {
namespace {

constexpr int kTerminals = 50;
constexpr int kIterations = 10;

// Each terminal types its number and the iteration, so the host can tell
// every reply apart.
constexpr const char* kScript =
    "# one turn of a terminal\n"
    "wait ready 5000\n"
    "type \"{n}:{i}\"\n"
    "key Enter\n";

// A number the JSON report gives for `name` (the first one so named).
long long Number(const std::string& json, const std::string& name) {
  std::smatch m;
  if (!std::regex_search(json, m, std::regex("\"" + name + "\":(\\d+)"))) return -1;
  return std::stoll(m[1]);
}

// Waits until `count` terminals have greeted the host (by their simulator
// IDs), however slow the machine; false after a minute.
bool WaitForTerminals(LoadHost& host, size_t count) {
  return Until(
      [&] {
        size_t greeted = 0;
        for (const auto& [id, seen] : host.Terminals()) greeted += id.empty() ? 0 : 1;
        return greeted >= count;
      },
      60000);
}

struct LoadRun {
  TempDir dir;
  std::string report = dir.File("report.json");

  // marlsim --load of `terminals` following kScript (or the script file
  // that `more` names) with a 20 x 16 screen, against `host`.
  Lines Args(const LoadHost& host, int terminals, const Lines& more = {}) {
    dir.Write("script.txt", kScript);
    Lines args = {"--load", std::to_string(terminals), "--script", "script.txt", "--report",
                  report};
    args.insert(args.end(), more.begin(), more.end());
    args.insert(args.end(), {"--size", "20x16", "-P" + std::to_string(host.port()), "-ILD"});
    return args;
  }
  std::string Report() const { return ReadFile(report); }
};

TEST(Load, EveryReplyArrivesOnceInOrderAndTheReportCountsWhatTheHostCounted) {
  // The last reply of each terminal goes unanswered: its script has ended.
  LoadHost host(kIterations);
  LoadRun run;
  Marlsim sim(run.Args(host, kTerminals, {"--iterations", std::to_string(kIterations)}),
              run.dir.path());
  EXPECT_EQ(sim.Wait(60000), 0) << sim.Diagnostics();

  const auto terminals = host.Terminals();
  ASSERT_EQ(terminals.size(), size_t(kTerminals));
  int screens = 0;
  for (int n = 1; n <= kTerminals; ++n) {
    const std::string id = "LD" + std::to_string(n) + ",";
    ASSERT_TRUE(terminals.count(id)) << id;
    const LoadHost::Seen& seen = terminals.at(id);
    std::vector<std::string> expected;
    for (int i = 1; i <= kIterations; ++i)
      expected.push_back(std::to_string(n) + ":" + std::to_string(i));
    EXPECT_EQ(seen.replies, expected) << id;
    // Each terminal connects from an address of its own and announces it.
    EXPECT_EQ(seen.announced, seen.peer) << id;
    screens += seen.screens;
  }
  EXPECT_EQ(terminals.at("LD1,").announced, "127.1.0.1");

  const std::string json = run.Report();
  EXPECT_EQ(Number(json, "terminals"), kTerminals);
  EXPECT_EQ(Number(json, "connected"), kTerminals);
  EXPECT_EQ(Number(json, "iterations"), kTerminals * kIterations);
  EXPECT_EQ(Number(json, "commands"), kTerminals * kIterations * 3);
  EXPECT_EQ(Number(json, "screens"), screens);
  // The simulator ID and the power-up, then one form reply a turn.
  EXPECT_EQ(Number(json, "replies"), kTerminals * (2 + kIterations));
  EXPECT_EQ(Number(json, "total"), 0);
  EXPECT_EQ(Number(json, "count"), screens) << "every screen answered a reply";
  EXPECT_NE(json.find("\"failures\":[]"), std::string::npos);
}

TEST(Load, AHostThatDropsOneTerminalFailsOnlyThatOne) {
  LoadHost host(kIterations, "LD7,", 3);
  LoadRun run;
  Marlsim sim(run.Args(host, kTerminals, {"--iterations", std::to_string(kIterations)}),
              run.dir.path());
  EXPECT_EQ(sim.Wait(60000), 2) << sim.Diagnostics();

  const std::string json = run.Report();
  EXPECT_EQ(Number(json, "iterations"), (kTerminals - 1) * kIterations + 3);
  EXPECT_EQ(Number(json, "connection_closed"), 1);
  EXPECT_EQ(Number(json, "total"), 1);
  EXPECT_TRUE(std::regex_search(
      json, std::regex("\"failures\":\\[\\{\"terminal\":7,\"kind\":\"connection_closed\","
                       "\"line\":2,\"command\":\"wait ready 5000\",\"reason\":\"host closed\","
                       "\"screen\":\\[\"Data:7:3 ")))
      << json;
  // The text report names it too.
  EXPECT_NE(sim.RemainingOutput(1000).find("terminal 7 failed: connection_closed: host closed"),
            std::string::npos);
}

TEST(Load, AStalledHostTimesTheWaitsOutAndCtrlCStillWritesTheReport) {
  // The host greets every terminal but answers no reply.
  LoadHost host(1);
  LoadRun run;
  run.dir.Write("slow.txt", "wait ready\ntype x\nkey Enter\nwait ready 300\n");
  const Lines args = run.Args(host, 5, {"--duration", "30", "--script", "slow.txt"});
  {
    Marlsim sim(args, run.dir.path());
    EXPECT_EQ(sim.Wait(10000), 2) << sim.Diagnostics();
    const std::string json = run.Report();
    EXPECT_EQ(Number(json, "wait_timeout"), 5) << json;
  }
  // A run that is interrupted ends at once with its report. A host of its
  // own tells when its terminals are there.
  run.dir.Write("slow.txt", "wait ready\nsleep 60000\n");
  LoadHost second(1);
  Marlsim sim(run.Args(second, 5, {"--duration", "30", "--script", "slow.txt"}), run.dir.path());
  ASSERT_TRUE(WaitForTerminals(second, 5)) << sim.Diagnostics();
  kill(sim.pid(), SIGINT);
  EXPECT_EQ(sim.Wait(10000), 130) << sim.Diagnostics();
  const std::string json = run.Report();
  EXPECT_NE(json.find("\"stopped\":\"interrupted\""), std::string::npos) << json;
  EXPECT_EQ(Number(json, "connected"), 5);
}

// Steps of any length: a megabyte typed before the first screen, and steps
// that never wait. SIGTERM still ends the run within a step or two.
TEST(Load, SigtermEndsARunBetweenLongSteps) {
  LoadHost host;
  LoadRun run;
  const std::string mega = "type \"" + std::string(1 << 20, 'x') + "\"\n";
  run.dir.Write("long.txt", mega + "key Enter\n" + mega + "key Tab\n");
  Marlsim sim(run.Args(host, 2, {"--duration", "600", "--script", "long.txt"}), run.dir.path());
  ASSERT_TRUE(WaitForTerminals(host, 2)) << sim.Diagnostics();
  kill(sim.pid(), SIGTERM);
  EXPECT_EQ(sim.Wait(30000), 130) << sim.Diagnostics();
  EXPECT_NE(run.Report().find("\"stopped\":\"terminated\""), std::string::npos);
}

// A report that does not reach its file fails the run, and says why.
TEST(Load, AReportThatCannotBeWrittenFailsTheRun) {
  LoadHost host;
  LoadRun run;
  for (const std::string report : {"/dev/full", "/proc/version"}) {
    Lines args = run.Args(host, 2);
    *std::find(args.begin(), args.end(), run.report) = report;
    Marlsim sim(args, run.dir.path());
    EXPECT_EQ(sim.Wait(60000), 1) << report << sim.Diagnostics();
    EXPECT_NE(sim.Diagnostics().find("marlsim: cannot write " + report), std::string::npos)
        << sim.Diagnostics();
  }
}

TEST(Load, BadCommandLinesAndScriptsAreRefusedBeforeAnyTerminalStarts) {
  LoadHost host;
  LoadRun run;
  struct Case {
    std::vector<std::string> args;
    std::string script;
    std::string says;
  };
  const std::vector<Case> cases = {
      {{"--load", "0"}, kScript, "--load needs a number of terminals from 1 to 65000"},
      {{"--load", "3", "--duration", "-1"}, kScript, "--duration needs seconds"},
      {{"--load", "3"}, "wait soon\n", "script.txt:1: usage: wait ready"},
      {{"--load", "3"}, "# fine\n\nkey Nowhere\n", "script.txt:3: unknown key \"Nowhere\""},
      {{"--load", "3"}, "type \"{n:x}\"\n", "script.txt:1: bad placeholder {n:x}"},
      {{"--load", "3"}, "# nothing\n", "script.txt: no commands"},
  };
  for (const Case& c : cases) {
    run.dir.Write("script.txt", c.script);
    std::vector<std::string> args = c.args;
    for (const char* a : {"--script", "script.txt", "--size", "20x16"}) args.push_back(a);
    args.push_back("-P" + std::to_string(host.port()));
    Marlsim sim(args, run.dir.path());
    EXPECT_EQ(sim.Wait(10000), 1) << c.says;
    EXPECT_NE(sim.Diagnostics().find(c.says), std::string::npos) << sim.Diagnostics();
  }
  EXPECT_TRUE(host.Terminals().empty());
}

TEST(Load, TerminalCommandLinesTheRampAndAHostThatIsNotThere) {
  // Placeholders in the terminal's command line are filled in per terminal.
  LoadHost host(1);
  LoadRun run;
  Lines args = run.Args(host, 3);
  args.back() = "-IHH{n:03}";
  Marlsim sim(args, run.dir.path());
  sim.Wait(20000);
  const auto terminals = host.Terminals();
  EXPECT_TRUE(terminals.count("HH001,") && terminals.count("HH003,")) << terminals.size();

  // Ten terminals a second: the third starts 0.2 s after the first.
  Marlsim ramped(run.Args(host, 3, {"--ramp", "10"}), run.dir.path());
  ramped.Wait(20000);
  std::smatch m;
  const std::string ramp_json = run.Report();
  ASSERT_TRUE(std::regex_search(ramp_json, m, std::regex("\"duration_s\":([0-9.]+)")));
  EXPECT_GE(std::stod(m[1]), 0.2);

  // Nobody listens: every terminal fails to connect, and the report says so.
  Lines nowhere = run.Args(host, 3);
  nowhere.end()[-2] = "-P" + std::to_string(UnusedPort());
  Marlsim lonely(nowhere, run.dir.path());
  EXPECT_EQ(lonely.Wait(20000), 2) << lonely.Diagnostics();
  const std::string json = run.Report();
  EXPECT_EQ(Number(json, "connect"), 3) << json;
  EXPECT_NE(json.find("Failed to Connect!"), std::string::npos) << json;
}

}  // namespace
}  // namespace marl::testing
