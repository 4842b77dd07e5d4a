// The host link through the real program over loopback, each measure beside
// a baseline that moves the same bytes with nothing in between, in the same
// run on the same machine:
//   round trip   a host send to the status reply  vs  a bare TCP echo
//   screens      60 answered forms in one chunk   vs  the echo of that chunk
//   key          a typed key to the reply at host vs  a stdin-to-socket relay
// Each measure and its baseline take turns, one step each, so that load
// that comes and goes falls on both alike. Latencies are medians
// (*_median_us); throughput is screens_per_s.
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

std::string Repeated(const std::string& bytes, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += bytes;
  return all;
}

// Sixty forms, each stored in slot 1 (answered "K\\0") and then shown. The
// store's header empties the slot first (header bit 0x20), so every form is
// a fresh two-field form and every chunk does the same work: without it each
// store would extend the one stored form, and a run of 200 chunks would end
// on a form of 24,000 fields, a cost that grows with the run's length.
std::string AnsweredForms() {
  const std::string store =
      "\x82\x80\xA0\x80\x80\x80"
      "000\\1S\\Lot:\\A12345\\Qty:\\N12\\\n";
  return Repeated(store + Record("\\1"), kScreensPerChunk);
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

// A terminal of 20 x 16 connected to a host that has read its power-up;
// `capture` writes the connection to a capture file in its folder.
struct Session {
  explicit Session(bool capture = false)
      : sim(capture ? Lines{"--pcap", dir.File("link.pcapng"), "--size", "20x16",
                            "-P" + std::to_string(host.port())}
                    : Lines{"--size", "20x16", "-P" + std::to_string(host.port())},
            dir.path()) {
    if (host.Accept(10000)) host.ReceiveUntilQuiet(300, kLimitMs);
  }
  bool Exchange(const std::string& bytes, size_t answer) {
    return host.Send(bytes) && host.Receive(answer, kLimitMs).size() == answer;
  }

  TempDir dir;
  LoopbackHost host;
  Marlsim sim;
};

double Median(std::vector<double> us) {
  if (us.empty()) return 0;
  std::nth_element(us.begin(), us.begin() + ptrdiff_t(us.size() / 2), us.end());
  return us[us.size() / 2];
}

// Microseconds that `step` took, or a negative number when it failed.
template <typename Step>
double Time(Step step) {
  const auto start = Clock::now();
  const bool ok = step();
  return ok ? std::chrono::duration<double, std::micro>(Clock::now() - start).count() : -1;
}

// A measure and its baseline take turns, one step each, so that whatever
// else the machine is doing falls on both alike; each is warmed up first.
// `measure` and `baseline` give the step's time in microseconds.
template <typename Measure, typename Baseline>
bool Alternate(benchmark::State& state, Measure measure, Baseline baseline,
               std::vector<double>* measure_us, std::vector<double>* baseline_us) {
  for (int i = 0; i < 20; ++i) {
    if (measure() < 0 || baseline() < 0) return false;
  }
  measure_us->reserve(size_t(state.max_iterations));
  baseline_us->reserve(size_t(state.max_iterations));
  for (auto _ : state) {
    baseline_us->push_back(baseline());
    measure_us->push_back(measure());
    if (measure_us->back() < 0 || baseline_us->back() < 0) return false;
  }
  return true;
}

void BM_RoundTrip(benchmark::State& state) {
  EchoServer echo;
  Session s;
  std::vector<double> status_us, echo_us;
  if (!Alternate(
          state, [&] { return Time([&] { return s.Exchange(kStatusRequest, kStatusReplySize); }); },
          [&] { return Time([&] { return echo.RoundTrip(kStatusRequest); }); }, &status_us,
          &echo_us)) {
    return state.SkipWithError("no answer");
  }
  state.counters["status_median_us"] = Median(status_us);
  state.counters["echo_median_us"] = Median(echo_us);
}
BENCHMARK(BM_RoundTrip)->Iterations(5000)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_Screens(benchmark::State& state) {
  EchoServer echo;
  Session s;
  const std::string chunk = AnsweredForms();
  // Every form answered as a stored one is.
  if (!s.host.Send(chunk) || s.host.Receive(kStatusReplySize * kScreensPerChunk, kLimitMs) !=
                                 Repeated("K\\\\0", kScreensPerChunk)) {
    return state.SkipWithError("the forms were not answered");
  }
  std::vector<double> answered_us, echo_us;
  if (!Alternate(
          state,
          [&] {
            return Time([&] { return s.Exchange(chunk, kStatusReplySize * kScreensPerChunk); });
          },
          [&] { return Time([&] { return echo.RoundTrip(chunk); }); }, &answered_us, &echo_us)) {
    return state.SkipWithError("no answer");
  }
  const auto rate = [](const std::vector<double>& us) {
    double total = 0;
    for (double u : us) total += u;
    return total > 0 ? double(us.size()) * kScreensPerChunk / (total / 1e6) : 0;
  };
  state.counters["screens_per_s"] = rate(answered_us);
  state.counters["echo_screens_per_s"] = rate(echo_us);
}
BENCHMARK(BM_Screens)->Iterations(500)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The capture's cost: the same answered forms and status round trips with
// --pcap and without, taking turns. Two processes can land on unequal
// processors for a whole run, so each round starts a fresh pair, and the
// figures are the medians over the rounds: screens_per_s beside
// captured_screens_per_s, their ratio, and the round trip's medians.
void BM_Capture(benchmark::State& state) {
  constexpr int kRounds = 7;
  constexpr int kSteps = 300;
  const std::string chunk = AnsweredForms();
  const size_t answer = kStatusReplySize * kScreensPerChunk;
  std::vector<double> plain_rates, captured_rates, ratios, plain_trips, captured_trips;
  for (auto _ : state) {
    for (int round = 0; round < kRounds; ++round) {
      Session plain;
      Session captured(true);
      std::vector<double> plain_us, captured_us, plain_trip_us, captured_trip_us;
      for (int i = -20; i < kSteps; ++i) {
        const double p = Time([&] { return plain.Exchange(chunk, answer); });
        const double c = Time([&] { return captured.Exchange(chunk, answer); });
        const double pt = Time([&] { return plain.Exchange(kStatusRequest, kStatusReplySize); });
        const double ct = Time([&] { return captured.Exchange(kStatusRequest, kStatusReplySize); });
        if (p < 0 || c < 0 || pt < 0 || ct < 0) return state.SkipWithError("no answer");
        if (i < 0) continue;  // warming up
        plain_us.push_back(p);
        captured_us.push_back(c);
        plain_trip_us.push_back(pt);
        captured_trip_us.push_back(ct);
      }
      // Medians: a chunk that waited for the machine says nothing of the capture.
      plain_rates.push_back(kScreensPerChunk / (Median(plain_us) / 1e6));
      captured_rates.push_back(kScreensPerChunk / (Median(captured_us) / 1e6));
      ratios.push_back(captured_rates.back() / plain_rates.back());
      plain_trips.push_back(Median(plain_trip_us));
      captured_trips.push_back(Median(captured_trip_us));
    }
  }
  state.counters["screens_per_s"] = Median(plain_rates);
  state.counters["captured_screens_per_s"] = Median(captured_rates);
  state.counters["captured_ratio"] = Median(ratios);
  state.counters["status_median_us"] = Median(plain_trips);
  state.counters["captured_status_median_us"] = Median(captured_trips);
}
BENCHMARK(BM_Capture)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Enter on the shown form: its reply, as the host receives it.
constexpr size_t kEnterReplySize = 12;

// The key and a relay of the same bytes from a pipe to a socket take turns.
void BM_Key(benchmark::State& state) {
  LoopbackHost relay_host;
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) return state.SkipWithError("pipe");
  std::thread relay([&] {
    const int fd = Connect(relay_host.port());
    char bytes[256];
    for (ssize_t n; (n = read(pipe_fds[0], bytes, sizeof bytes)) > 0;) {
      send(fd, bytes, size_t(n), MSG_NOSIGNAL);
    }
    close(fd);
  });
  relay_host.Accept(kLimitMs);
  const std::string line(kEnterReplySize, 'k');
  const auto relayed = [&] {
    return Time([&] {
      return write(pipe_fds[1], line.data(), line.size()) == ssize_t(line.size()) &&
             relay_host.Receive(line.size(), kLimitMs).size() == line.size();
    });
  };

  Session s;
  const std::string form = Record("\\1S\\Lot:\\A12345\\Qty:\\N12\\") + Record("\\1");
  const bool shown =
      s.Exchange(form, kStatusReplySize) && s.sim.Command("wait ready") == Lines{"ok"};
  // The reply to Enter; then the next form, outside the measure.
  const auto keyed = [&] {
    const double us = Time([&] {
      return s.sim.Write("key enter") &&
             s.host.Receive(kEnterReplySize, kLimitMs).size() == kEnterReplySize;
    });
    s.sim.Answer();
    s.host.Send(Record("\\1"));
    return s.sim.Command("wait ready") == Lines{"ok"} ? us : -1;
  };
  std::vector<double> key_us, relay_us;
  const bool ok = shown && Alternate(state, keyed, relayed, &key_us, &relay_us);
  close(pipe_fds[1]);
  relay.join();
  close(pipe_fds[0]);
  if (!ok) return state.SkipWithError("no reply");
  state.counters["key_median_us"] = Median(key_us);
  state.counters["relay_median_us"] = Median(relay_us);
}
BENCHMARK(BM_Key)->Iterations(2000)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
}  // namespace marl::testing

BENCHMARK_MAIN();
