// marlsim --load and the open-file limit: a run of more terminals than the
// usual soft limit of 1024 raises it and runs them all; one the hard limit
// cannot hold is refused at once, saying how many can run, with no report.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <regex>
#include <string>

#include "harness.h"
#include "load_host.h"

namespace marl::testing {
namespace {

constexpr const char* kScript =
    "wait ready 30000\n"
    "type \"{n}:{i}\"\n"
    "key Enter\n";

TEST(LoadScale, TheOpenFileLimitIsRaisedOrTheRunRefusedWithHowManyCanRun) {
  // The host plays every terminal's end in this process: it needs the room.
  rlimit own{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &own), 0);
  const rlimit before = own;
  if (own.rlim_max != RLIM_INFINITY && own.rlim_max < 2300) {
    GTEST_SKIP() << "the hard limit of open files (" << own.rlim_max << ") is below 2300";
  }
  own.rlim_cur = own.rlim_max == RLIM_INFINITY ? 4096 : std::min<rlim_t>(own.rlim_max, 4096);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &own), 0);
  const std::string hard =
      own.rlim_max == RLIM_INFINITY ? "unlimited" : std::to_string(own.rlim_max);

  struct Case {
    const char* limits;  // prlimit's soft:hard for marlsim
    int terminals;
    int status;
    const char* says;  // on standard error; "" when it runs
  };
  const Case cases[] = {
      {"1024:HARD", 2000, 0, ""},
      {"100:100", 200, 1,
       "marlsim: 200 terminals need \\d+ open files, but this process may open only 100 "
       "\\(ulimit -Hn\\); at most \\d+ terminals can run\n"},
  };
  for (const Case& c : cases) {
    LoadHost host(2);
    TempDir dir;
    dir.Write("script.txt", kScript);
    const std::string report = dir.File("report.json");
    const std::string limits = std::regex_replace(c.limits, std::regex("HARD"), hard);
    Process sim(
        {"prlimit", "--nofile=" + limits, MARLSIM_PATH, "--load", std::to_string(c.terminals),
         "--iterations", "2", "--script", "script.txt", "--report", report, "--size", "20x16",
         "-P" + std::to_string(host.port()), "-IBIG"},
        dir.path());
    EXPECT_EQ(sim.Wait(120000), c.status) << c.limits << ": " << sim.Diagnostics();
    const std::string json = ReadFile(report);
    if (c.status == 0) {
      EXPECT_NE(json.find("\"terminals\":" + std::to_string(c.terminals) +
                          ",\"connected\":" + std::to_string(c.terminals)),
                std::string::npos)
          << json.substr(0, 200);
      EXPECT_NE(json.find("\"errors\":{\"total\":0"), std::string::npos) << json.substr(0, 400);
      EXPECT_EQ(host.Terminals().size(), size_t(c.terminals));
    } else {
      EXPECT_TRUE(std::regex_search(sim.Diagnostics(), std::regex(c.says))) << sim.Diagnostics();
      EXPECT_EQ(json, "<missing>") << "nothing ran, so no report";
      EXPECT_TRUE(host.Terminals().empty());
    }
  }
  setrlimit(RLIMIT_NOFILE, &before);
}

}  // namespace
}  // namespace marl::testing
