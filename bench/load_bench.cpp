// marlsim --load against a host of many terminals on loopback: screens a
// second, median host response time and memory per terminal for 10, 100
// and 1,000 terminals, beside one terminal alone measured in the same run.
// Each terminal runs the same turns a fixed number of times, so every run
// is bounded and does the same work per terminal. The event-driven driver
// is measured beside a thread for each terminal, its alternative.
//
// Targets: 1,000 terminals at no more than 128 KiB each beyond the first,
// and screens a second at 1,000 at least 80% of those at 100.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"
#include "load_host.h"
#include "temp_dir.h"

namespace {

using marl::testing::LoadHost;
using marl::testing::Marlsim;
using marl::testing::TempDir;

constexpr int kTurns = 20;

constexpr const char* kScript =
    "wait ready 10000\n"
    "type \"{n}:{i}\"\n"
    "key Enter\n";

struct Result {
  double screens_per_second = 0;
  double median_ms = 0;
  double peak_kib = 0;
  double errors = 0;
};

double Field(const std::string& json, const std::string& name) {
  std::smatch m;
  if (!std::regex_search(json, m, std::regex("\"" + name + "\":([0-9.]+)"))) return -1;
  return std::stod(m[1]);
}

// One run of `terminals` against a fresh host, its report read back.
Result RunLoad(int terminals, bool thread_each) {
  LoadHost host;
  TempDir dir;
  dir.Write("script.txt", kScript);
  std::vector<std::pair<std::string, std::string>> env;
  if (thread_each) env.emplace_back("MARLSIM_LOAD_THREADS", "terminal");
  Marlsim sim({"--load", std::to_string(terminals), "--iterations", std::to_string(kTurns),
               "--script", "script.txt", "--size", "20x16", "--report", dir.File("r.json"),
               "-P" + std::to_string(host.port()), "-IB"},
              dir.path(), env);
  sim.Wait(120000);
  std::ostringstream json;
  json << std::ifstream(dir.File("r.json")).rdbuf();
  Result r;
  r.screens_per_second = Field(json.str(), "screens_per_second");
  r.median_ms = Field(json.str(), "median");
  r.peak_kib = Field(json.str(), "peak_memory_kib");
  r.errors = Field(json.str(), "total");
  return r;
}

std::map<std::string, Result>& Results() {
  static std::map<std::string, Result> results;
  return results;
}

void BM_Load(benchmark::State& state, bool thread_each) {
  const int terminals = int(state.range(0));
  Result r;
  for (auto _ : state) {
    r = RunLoad(terminals, thread_each);
    state.SetIterationTime(1);
  }
  const Result& alone = Results()["epoll/1"];
  state.counters["screens/s"] = r.screens_per_second;
  state.counters["median_ms"] = r.median_ms;
  state.counters["peak_KiB"] = r.peak_kib;
  if (terminals > 1 && alone.peak_kib > 0) {
    state.counters["KiB/terminal"] = (r.peak_kib - alone.peak_kib) / (terminals - 1);
  }
  state.counters["errors"] = r.errors;
  Results()[std::string(thread_each ? "threads/" : "epoll/") + std::to_string(terminals)] = r;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // One terminal alone first: the baseline the others are measured against.
  for (int n : {1, 10, 100, 1000}) {
    benchmark::RegisterBenchmark("BM_Load/epoll", BM_Load, false)
        ->Arg(n)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kSecond);
  }
  for (int n : {100, 1000}) {
    benchmark::RegisterBenchmark("BM_Load/thread_per_terminal", BM_Load, true)
        ->Arg(n)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kSecond);
  }
  benchmark::RunSpecifiedBenchmarks();

  auto& r = Results();
  if (r.count("epoll/1") && r.count("epoll/100") && r.count("epoll/1000")) {
    const double per_terminal = (r["epoll/1000"].peak_kib - r["epoll/1"].peak_kib) / 999;
    const double ratio = r["epoll/1000"].screens_per_second / r["epoll/100"].screens_per_second;
    std::printf("target memory: %.1f KiB a terminal beyond the first (<= 128): %s\n", per_terminal,
                per_terminal <= 128 ? "met" : "MISSED");
    std::printf("target scaling: screens/s at 1000 = %.0f%% of 100 (>= 80%%): %s\n", ratio * 100,
                ratio >= 0.8 ? "met" : "MISSED");
  }
  benchmark::Shutdown();
  return 0;
}
