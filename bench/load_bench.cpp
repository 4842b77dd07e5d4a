// marlsim --load against a host of many terminals on loopback: screens a
// second, median host response time and memory per terminal for 10, 100
// and 1,000 terminals, beside one terminal alone measured in the same run.
// Each terminal runs the same turns a fixed number of times, so every run
// is bounded and does the same work per terminal. The event-driven driver
// is measured beside a thread for each terminal, its alternative.
//
// The host is the demo warehouse host, run in this process (so its memory
// is not the driver's) with docs/examples/receive-loop.txt for a script,
// and a host that answers every reply with the same one-field form, the
// least work a host can do.
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

#ifdef MARL_DEMO_HOST
#include "demo/in_process.h"
#endif
#include "harness.h"
#include "load_host.h"
#include "temp_dir.h"

namespace {

using marl::testing::LoadHost;
using marl::testing::Marlsim;
using marl::testing::TempDir;

constexpr int kTurns = 20;
// Rounds of the demo's receive loop: eight screens each.
constexpr int kRounds = 3;

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

enum class Host { kForm, kDemo };

// One run of `terminals` against a fresh host, its report read back.
Result RunLoad([[maybe_unused]] Host kind, int terminals, bool thread_each) {
  LoadHost form_host;
  int port = form_host.port();
  std::string script = "script.txt";
  int iterations = kTurns;
#ifdef MARL_DEMO_HOST
  marl::demo::InProcessDemo demo;
  if (kind == Host::kDemo) {
    std::string error;
    if (!demo.Start(nullptr, &error)) return {};
    port = demo.port();
    script = RECEIVE_LOOP;
    iterations = kRounds;
  }
#endif
  TempDir dir;
  dir.Write("script.txt", kScript);
  std::vector<std::pair<std::string, std::string>> env;
  if (thread_each) env.emplace_back("MARLSIM_LOAD_THREADS", "terminal");
  Marlsim sim({"--load", std::to_string(terminals), "--iterations", std::to_string(iterations),
               "--script", script, "--size", "20x16", "--report", dir.File("r.json"),
               "-P" + std::to_string(port), "-IB"},
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

std::string Name(Host kind, bool thread_each, int terminals) {
  return std::string(kind == Host::kDemo ? "demo/" : "form/") +
         (thread_each ? "thread_per_terminal/" : "epoll/") + std::to_string(terminals);
}

void BM_Load(benchmark::State& state, Host kind, bool thread_each) {
  const int terminals = int(state.range(0));
  Result r;
  for (auto _ : state) {
    r = RunLoad(kind, terminals, thread_each);
    state.SetIterationTime(1);
  }
  const Result& alone = Results()[Name(kind, false, 1)];
  state.counters["screens/s"] = r.screens_per_second;
  state.counters["median_ms"] = r.median_ms;
  state.counters["peak_KiB"] = r.peak_kib;
  if (terminals > 1 && alone.peak_kib > 0) {
    state.counters["KiB/terminal"] = (r.peak_kib - alone.peak_kib) / (terminals - 1);
  }
  state.counters["errors"] = r.errors;
  Results()[Name(kind, thread_each, terminals)] = r;
}

void Register(const char* name, Host kind, bool thread_each, std::initializer_list<int> counts) {
  for (int n : counts) {
    benchmark::RegisterBenchmark(name, BM_Load, kind, thread_each)
        ->Arg(n)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kSecond);
  }
}

// The targets, for one host's runs.
void CheckTargets(const char* host) {
  auto& r = Results();
  const std::string h = host;
  if (!r.count(h + "/epoll/1") || !r.count(h + "/epoll/100") || !r.count(h + "/epoll/1000")) return;
  const double per_terminal = (r[h + "/epoll/1000"].peak_kib - r[h + "/epoll/1"].peak_kib) / 999;
  const double ratio =
      r[h + "/epoll/1000"].screens_per_second / r[h + "/epoll/100"].screens_per_second;
  std::printf("%s host: memory %.1f KiB a terminal beyond the first (target <= 128): %s\n", host,
              per_terminal, per_terminal <= 128 ? "met" : "MISSED");
  std::printf("%s host: screens/s at 1000 = %.0f%% of 100 (target >= 80%%): %s\n", host,
              ratio * 100, ratio >= 0.8 ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // One terminal alone first: the baseline the others are measured against.
#ifdef MARL_DEMO_HOST
  Register("BM_Load/demo/epoll", Host::kDemo, false, {1, 10, 100, 1000});
#endif
  Register("BM_Load/form/epoll", Host::kForm, false, {1, 10, 100, 1000});
  Register("BM_Load/form/thread_per_terminal", Host::kForm, true, {100, 1000});
  benchmark::RunSpecifiedBenchmarks();
  CheckTargets("demo");
  CheckTargets("form");
  benchmark::Shutdown();
  return 0;
}
