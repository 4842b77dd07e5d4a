// marlsim --load at fleet scale: 1,000 and 10,000 terminals in one process,
// beside one terminal alone in the same run, against the least host there
// is: a thread of this program that answers every power-up and form reply
// with the next of ten screens. Every terminal runs until the run's end
// (--duration), so all of them are alive at the peak.
//
//   KiB/terminal          (peak resident memory - one terminal's) / (N - 1)
//   screens/s             host chunks handled a second of the run
//   screens/CPU_s         host chunks handled per second of processor time
//                         marlsim used (user and system, all its threads)
//
// Targets: at most 24 KiB a terminal beyond the first at 10,000; screens
// per processor second at 10,000 at least half of one terminal's.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "harness.h"
#include "host/form_text.h"
#include "host/host_records.h"
#include "host/terminal_messages.h"
#include "loopback.h"
#include "temp_dir.h"

namespace {

namespace host = marl::host;
using marl::testing::Marlsim;
using marl::testing::TempDir;

constexpr const char* kScript =
    "wait ready 30000\n"
    "type \"{n}:{i}\"\n"
    "key Enter\n";

// A host for any number of terminals on one epoll set: it frames what each
// terminal sends with the toolkit's parser and answers each power-up and
// form reply with the next screen.
class ScreenHost {
 public:
  ScreenHost() {
    for (int i = 0; i < kScreens; ++i) {
      host::FormText form = host::FormText::FieldForm(20);
      form.Text("Screen " + std::to_string(i)).EndRow().Text("Data: ").Field(0, 10);
      host::Header header;
      header.word = host::option::kReleaseSlot;
      screens_.push_back(host::CommandRecord(host::StoreAndShowBody(1, form.str()), header));
    }
    port_ = marl::testing::BindAnyPort(listener_);
    listen(listener_, 4096);
    epoll_ = epoll_create1(EPOLL_CLOEXEC);
    Watch(listener_);
    thread_ = std::thread([this] { Run(); });
  }
  ~ScreenHost() {
    stop_ = true;
    thread_.join();
    for (auto& [fd, c] : connections_) close(fd);
    close(epoll_);
    close(listener_);
  }
  int port() const { return port_; }

 private:
  static constexpr int kScreens = 10;
  struct Connection {
    std::string received;
    int next = 0;
  };

  void Watch(int fd) {
    epoll_event e{};
    e.events = EPOLLIN;
    e.data.fd = fd;
    epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &e);
  }

  void Take(int fd) {
    Connection& c = connections_[fd];
    char bytes[4096];
    const ssize_t n = recv(fd, bytes, sizeof bytes, 0);
    if (n <= 0) {
      close(fd);
      connections_.erase(fd);
      return;
    }
    c.received.append(bytes, size_t(n));
    for (;;) {
      host::TerminalMessage message;
      const host::ParseResult r = host::ParseTerminalMessage(c.received, &message);
      if (r.status == host::ParseStatus::kIncomplete) break;
      c.received.erase(0, r.used);
      if (r.status != host::ParseStatus::kOk) continue;
      if (message.kind != host::MessageKind::kPowerUp &&
          message.kind != host::MessageKind::kFormReply) {
        continue;
      }
      const std::string& screen = screens_[size_t(c.next++ % kScreens)];
      send(fd, screen.data(), screen.size(), MSG_NOSIGNAL);
    }
  }

  void Run() {
    epoll_event events[256];
    while (!stop_) {
      const int n = epoll_wait(epoll_, events, 256, 50);
      for (int i = 0; i < n; ++i) {
        const int fd = events[i].data.fd;
        if (fd != listener_) {
          Take(fd);
          continue;
        }
        for (int accepted; (accepted = accept4(listener_, nullptr, nullptr,
                                               SOCK_CLOEXEC | SOCK_NONBLOCK)) >= 0;) {
          connections_[accepted];
          Watch(accepted);
        }
      }
    }
  }

  std::vector<std::string> screens_;
  int listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  int port_ = 0;
  int epoll_ = -1;
  std::atomic<bool> stop_{false};
  std::unordered_map<int, Connection> connections_;
  std::thread thread_;
};

struct Result {
  double terminals = 0;
  double connected = 0;
  double screens = 0;
  double screens_per_second = 0;
  double peak_kib = 0;
  double cpu_s = 0;
  double errors = 0;
};

double Field(const std::string& json, const std::string& name) {
  std::smatch m;
  if (!std::regex_search(json, m, std::regex("\"" + name + "\":([0-9.]+)"))) return -1;
  return std::stod(m[1]);
}

double ChildrenCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// One run of `terminals` for `seconds` against a fresh host.
Result RunLoad(int terminals, double seconds) {
  ScreenHost screen_host;
  TempDir dir;
  dir.Write("script.txt", kScript);
  const double cpu_before = ChildrenCpuSeconds();
  {
    Marlsim sim({"--load", std::to_string(terminals), "--duration", std::to_string(seconds),
                 "--script", "script.txt", "--size", "20x16", "--report", dir.File("r.json"),
                 "-P" + std::to_string(screen_host.port()), "-IB"},
                dir.path());
    sim.Wait(int(seconds * 1000) + 300000);
  }
  Result r;
  r.cpu_s = ChildrenCpuSeconds() - cpu_before;
  std::ostringstream json;
  json << std::ifstream(dir.File("r.json")).rdbuf();
  r.terminals = Field(json.str(), "terminals");
  r.connected = Field(json.str(), "connected");
  r.screens = Field(json.str(), "screens");
  r.screens_per_second = Field(json.str(), "screens_per_second");
  r.peak_kib = Field(json.str(), "peak_memory_kib");
  r.errors = Field(json.str(), "total");
  return r;
}

std::map<int, Result>& Results() {
  static std::map<int, Result> results;
  return results;
}

// Long enough for every terminal to connect and then run a while.
double Seconds(int terminals) {
  return 4.0 + terminals / 1000.0;
}

void BM_Scale(benchmark::State& state) {
  const int terminals = int(state.range(0));
  Result r;
  for (auto _ : state) {
    r = RunLoad(terminals, Seconds(terminals));
    state.SetIterationTime(Seconds(terminals));
  }
  const Result& alone = Results()[1];
  state.counters["connected"] = r.connected;
  state.counters["errors"] = r.errors;
  state.counters["peak_KiB"] = r.peak_kib;
  state.counters["screens/s"] = r.screens_per_second;
  state.counters["cpu_s"] = r.cpu_s;
  state.counters["screens/CPU_s"] = r.cpu_s > 0 ? r.screens / r.cpu_s : 0;
  if (terminals > 1 && alone.peak_kib > 0) {
    state.counters["KiB/terminal"] = (r.peak_kib - alone.peak_kib) / (terminals - 1);
    const double alone_rate = alone.cpu_s > 0 ? alone.screens / alone.cpu_s : 0;
    if (alone_rate > 0) state.counters["CPU_rate_vs_1"] = r.screens / r.cpu_s / alone_rate;
  }
  Results()[terminals] = r;
}

void CheckTargets() {
  auto& r = Results();
  if (!r.count(1) || !r.count(10000)) return;
  const double per_terminal = (r[10000].peak_kib - r[1].peak_kib) / 9999;
  const double ratio = (r[10000].screens / r[10000].cpu_s) / (r[1].screens / r[1].cpu_s);
  std::printf("memory %.1f KiB a terminal beyond the first at 10000 (target <= 24): %s\n",
              per_terminal, per_terminal <= 24 ? "met" : "MISSED");
  std::printf("screens per CPU second at 10000 = %.0f%% of one terminal's (target >= 50%%): %s\n",
              ratio * 100, ratio >= 0.5 ? "met" : "MISSED");
  std::printf("connected at 10000: %.0f of %.0f, errors %.0f\n", r[10000].connected,
              r[10000].terminals, r[10000].errors);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // One terminal alone first: the baseline the others are measured against.
  for (int n : {1, 1000, 10000}) {
    benchmark::RegisterBenchmark("BM_Scale", BM_Scale)
        ->Arg(n)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kSecond);
  }
  benchmark::RunSpecifiedBenchmarks();
  CheckTargets();
  benchmark::Shutdown();
  return 0;
}
