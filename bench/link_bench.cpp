// The host link through the real program over loopback, each measure beside
// a baseline that moves the same bytes with nothing in between, in the same
// run on the same machine:
//   round trip   a host send to the status reply  vs  a bare TCP echo
//   screens      60 answered forms in one chunk   vs  the echo of that chunk
//   key          a typed key to the reply at host vs  a stdin-to-socket relay
// Latencies are reported as medians (median_us), throughput as screens_per_s.
#include <benchmark/benchmark.h>
#include <netinet/tcp.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "temp_dir.h"

namespace marl::testing {
namespace {

using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;

constexpr int kLimitMs = 5000;
constexpr int kScreensPerChunk = 60;

std::string Record(const std::string& body) {
  return "\x82\x80\x80\x80\x80\x80"
         "000" +
         body + "\n";
}

// A command the terminal does not support: it answers with one status reply.
const std::string kStatusRequest = Record("\\Q");
constexpr size_t kStatusReplySize = 4;

// A form stored (answered "K\\0") and then shown, sixty times over.
std::string AnsweredForms() {
  std::string chunk;
  for (int i = 0; i < kScreensPerChunk; ++i) {
    chunk += Record("\\1S\\Lot:\\A12345\\Qty:\\N12\\") + Record("\\1");
  }
  return chunk;
}

void NoDelay(int fd) {
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// A client socket on a loopback port, without the small-write delay.
int Connect(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(uint16_t(port));
  connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  NoDelay(fd);
  return fd;
}

// The wire with nothing in between: whatever comes back goes straight out.
class EchoServer {
 public:
  EchoServer() {
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int port = BindAnyPort(listener);
    listen(listener, 1);
    client_ = Connect(port);
    server_ = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    close(listener);
    NoDelay(server_);
    thread_ = std::thread([this] {
      char bytes[65536];
      for (ssize_t n; (n = recv(server_, bytes, sizeof bytes, 0)) > 0;) {
        if (send(server_, bytes, size_t(n), MSG_NOSIGNAL) != n) return;
      }
    });
  }
  ~EchoServer() {
    shutdown(client_, SHUT_RDWR);
    thread_.join();
    close(client_);
    close(server_);
  }
  bool RoundTrip(const std::string& bytes) {
    if (send(client_, bytes.data(), bytes.size(), MSG_NOSIGNAL) != ssize_t(bytes.size())) {
      return false;
    }
    return harness::Read(client_, bytes.size(), kLimitMs, kLimitMs).size() == bytes.size();
  }

 private:
  int client_ = -1;
  int server_ = -1;
  std::thread thread_;
};

// A terminal of 20 x 16 connected to a host that has read its power-up.
struct Session {
  TempDir dir;
  LoopbackHost host;
  Marlsim sim{{"--size", "20x16", "-P" + std::to_string(host.port())}, dir.path()};

  Session() {
    if (host.Accept(10000)) host.ReceiveUntilQuiet(300, kLimitMs);
  }
  bool Exchange(const std::string& bytes, size_t answer) {
    return host.Send(bytes) && host.Receive(answer, kLimitMs).size() == answer;
  }
};

void ReportMedian(benchmark::State& state, std::vector<double>& us) {
  if (us.empty()) return;
  std::nth_element(us.begin(), us.begin() + ptrdiff_t(us.size() / 2), us.end());
  state.counters["median_us"] = us[us.size() / 2];
}

template <typename Step>
void MeasureEach(benchmark::State& state, Step step) {
  std::vector<double> us;
  us.reserve(size_t(state.max_iterations));
  for (auto _ : state) {
    const auto start = Clock::now();
    if (!step()) {
      state.SkipWithError("no answer");
      return;
    }
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  ReportMedian(state, us);
}

void BM_RoundTripEcho(benchmark::State& state) {
  EchoServer echo;
  MeasureEach(state, [&] { return echo.RoundTrip(kStatusRequest); });
}
BENCHMARK(BM_RoundTripEcho)->Iterations(3000)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_RoundTripStatus(benchmark::State& state) {
  Session s;
  MeasureEach(state, [&] { return s.Exchange(kStatusRequest, kStatusReplySize); });
}
BENCHMARK(BM_RoundTripStatus)->Iterations(3000)->Unit(benchmark::kMicrosecond)->UseRealTime();

template <typename Step>
void MeasureScreens(benchmark::State& state, Step step) {
  const auto start = Clock::now();
  for (auto _ : state) {
    if (!step()) {
      state.SkipWithError("no answer");
      return;
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  state.counters["screens_per_s"] = double(state.iterations()) * kScreensPerChunk / seconds;
}

void BM_ScreensEcho(benchmark::State& state) {
  EchoServer echo;
  const std::string chunk = AnsweredForms();
  MeasureScreens(state, [&] { return echo.RoundTrip(chunk); });
}
BENCHMARK(BM_ScreensEcho)->Iterations(1000)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_ScreensAnswered(benchmark::State& state) {
  Session s;
  const std::string chunk = AnsweredForms();
  MeasureScreens(state, [&] { return s.Exchange(chunk, kStatusReplySize * kScreensPerChunk); });
}
BENCHMARK(BM_ScreensAnswered)->Iterations(200)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Enter on the shown form: its reply, as the host receives it.
constexpr size_t kEnterReplySize = 12;

void BM_KeyRelay(benchmark::State& state) {
  LoopbackHost host;
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) return state.SkipWithError("pipe");
  std::thread relay([&] {
    const int fd = Connect(host.port());
    char bytes[256];
    for (ssize_t n; (n = read(pipe_fds[0], bytes, sizeof bytes)) > 0;) {
      send(fd, bytes, size_t(n), MSG_NOSIGNAL);
    }
    close(fd);
  });
  host.Accept(kLimitMs);
  const std::string line(kEnterReplySize, 'k');
  MeasureEach(state, [&] {
    return write(pipe_fds[1], line.data(), line.size()) == ssize_t(line.size()) &&
           host.Receive(line.size(), kLimitMs).size() == line.size();
  });
  close(pipe_fds[1]);
  relay.join();
  close(pipe_fds[0]);
}
BENCHMARK(BM_KeyRelay)->Iterations(2000)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_KeyReply(benchmark::State& state) {
  Session s;
  const std::string form = Record("\\1S\\Lot:\\A12345\\Qty:\\N12\\") + Record("\\1");
  if (!s.Exchange(form, kStatusReplySize) || s.sim.Command("wait ready") != Lines{"ok"}) {
    return state.SkipWithError("no form");
  }
  std::vector<double> us;
  us.reserve(size_t(state.max_iterations));
  for (auto _ : state) {
    const auto start = Clock::now();
    s.sim.Write("key enter");
    const bool answered = s.host.Receive(kEnterReplySize, kLimitMs).size() == kEnterReplySize;
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    // The next form, outside the measure.
    state.PauseTiming();
    s.sim.Answer();
    s.host.Send(Record("\\1"));
    const bool ready = s.sim.Command("wait ready") == Lines{"ok"};
    state.ResumeTiming();
    if (!answered || !ready) return state.SkipWithError("no reply");
  }
  ReportMedian(state, us);
}
BENCHMARK(BM_KeyReply)->Iterations(2000)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace marl::testing

BENCHMARK_MAIN();
