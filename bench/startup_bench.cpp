// How fast marlsim starts and how little it holds, each beside the least a
// program can do in the same run on the same machine:
//   power-up   a headless start to the host holding the power-up  vs  a
//              null C client that connects and sends the same bytes, its
//              address found as the terminal finds it (and, for the record,
//              one told its address)
//   version    marlsim --version to its end                       vs  /bin/true
//   idle RSS   resident memory of a headless terminal, idle and connected,
//              beside the null client's
// Each measure and its baseline take turns, one start each.
#include <benchmark/benchmark.h>
#include <spawn.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "harness.h"

extern char** environ;

namespace marl::testing {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kLimitMs = 5000;
constexpr int kRows = 16;
constexpr int kColumns = 20;

// A started program whose standard input stays open until it is dropped.
class Started {
 public:
  explicit Started(const Lines& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int in[2];
    if (pipe2(in, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    input_ = in[1];
  }
  ~Started() {
    close(input_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int input_ = -1;
};

Lines Terminal(int port) {
  return {MARLSIM_PATH,  "--ui=headless",
          "--size",      std::to_string(kColumns) + "x" + std::to_string(kRows),
          "-H127.0.0.1", "-P" + std::to_string(port)};
}

// The null client finds its address as the terminal does.
Lines NullClient(int port) {
  return {NULL_CLIENT_PATH, std::to_string(port), std::to_string(kRows), std::to_string(kColumns)};
}

// The null client told its address: only the connection and the send.
Lines BareClient(int port) {
  Lines args = NullClient(port);
  args.push_back(LocalAddress());
  return args;
}

// Microseconds from the start of `program_for(port)` to its power-up in
// full at a host on that port, or -1; `rss_kib`, when given, is what the
// program then holds, idle.
double ToPowerUp(Lines (*program_for)(int port), long* rss_kib = nullptr) {
  LoopbackHost host;
  const Lines args = program_for(host.port());
  const std::string expected = PowerUp(kRows, kColumns);
  const auto start = Clock::now();
  Started program(args);
  if (program.pid() < 0 || !host.Accept(kLimitMs) ||
      host.Receive(expected.size(), kLimitMs) != expected) {
    return -1;
  }
  const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
  if (rss_kib != nullptr) {
    // Whatever the start-up does after its power-up is over once nothing
    // more comes.
    host.ReceiveUntilQuiet(200, kLimitMs);
    std::ifstream status("/proc/" + std::to_string(program.pid()) + "/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("VmRSS:", 0) == 0) *rss_kib = std::atol(line.c_str() + 6);
    }
  }
  return us;
}

double Run(const Lines& args) {
  const auto start = Clock::now();
  Started program(args);
  if (program.pid() < 0) return -1;
  int status = 0;
  waitpid(program.pid(), &status, 0);
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

double Median(std::vector<double> us) {
  if (us.empty()) return 0;
  std::nth_element(us.begin(), us.begin() + ptrdiff_t(us.size() / 2), us.end());
  return us[us.size() / 2];
}

// One of each per iteration, after a few to warm the caches up.
template <typename Measure, typename Baseline>
bool Alternate(benchmark::State& state, Measure measure, Baseline baseline,
               std::vector<double>* measure_us, std::vector<double>* baseline_us) {
  for (int i = 0; i < 5; ++i) {
    if (measure() < 0 || baseline() < 0) return false;
  }
  for (auto _ : state) {
    baseline_us->push_back(baseline());
    measure_us->push_back(measure());
    if (measure_us->back() < 0 || baseline_us->back() < 0) return false;
  }
  return true;
}

void BM_PowerUp(benchmark::State& state) {
  std::vector<double> marlsim_us, null_us, bare_us;
  if (!Alternate(
          state, [] { return ToPowerUp(Terminal); },
          [&bare_us] {
            bare_us.push_back(ToPowerUp(BareClient));
            return bare_us.back() < 0 ? -1 : ToPowerUp(NullClient);
          },
          &marlsim_us, &null_us)) {
    return state.SkipWithError("no power-up");
  }
  state.counters["marlsim_median_us"] = Median(marlsim_us);
  state.counters["null_client_median_us"] = Median(null_us);
  state.counters["bare_client_median_us"] = Median(bare_us);
}
BENCHMARK(BM_PowerUp)->Iterations(200)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Version(benchmark::State& state) {
  std::vector<double> version_us, true_us;
  if (!Alternate(
          state,
          [] {
            return Run({MARLSIM_PATH, "--version"});
          },
          [] { return Run({"/bin/true"}); }, &version_us, &true_us)) {
    return state.SkipWithError("did not run");
  }
  state.counters["version_median_us"] = Median(version_us);
  state.counters["true_median_us"] = Median(true_us);
}
BENCHMARK(BM_Version)->Iterations(200)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_IdleRss(benchmark::State& state) {
  long marlsim_kib = 0, null_kib = 0;
  for (auto _ : state) {
    if (ToPowerUp(Terminal, &marlsim_kib) < 0 || ToPowerUp(NullClient, &null_kib) < 0) {
      return state.SkipWithError("no power-up");
    }
  }
  state.counters["marlsim_rss_kib"] = double(marlsim_kib);
  state.counters["null_client_rss_kib"] = double(null_kib);
}
BENCHMARK(BM_IdleRss)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace marl::testing

BENCHMARK_MAIN();
