#include "ui/load/serve_load.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "ui/core/command_words.h"
#include "ui/load/load_report.h"
#include "ui/load/load_script.h"
#include "ui/load/load_terminal.h"
#include "ui/load/load_worker.h"
#include "ui/load/report_outputs.h"

namespace marl {

namespace {

using Clock = std::chrono::steady_clock;

// A parent such as a Locust worker runs hundreds of terminals, not
// thousands: a few threads do, and leave the parent its processor.
constexpr int64_t kServeWorkersPerProcessor = 2;
constexpr int64_t kMostServeWorkers = 8;
// A command line longer than this is refused whole.
constexpr size_t kLongestCommand = 256;

// The output stream, shared by the workers' threads and the main thread;
// it counts what it reported, so the parent's counts can be checked.
class ServeLog : public TransactionLog {
 public:
  explicit ServeLog(std::FILE* out) : out_(out) {}

  void Transaction(int64_t terminal, const std::string& name, uint64_t us, int64_t bytes,
                   const std::string& error) override {
    char head[96];
    std::snprintf(head, sizeof head, "tx\t%lld\t", static_cast<long long>(terminal));
    char tail[96];
    std::snprintf(tail, sizeof tail, "\t%llu\t%lld\t%s", static_cast<unsigned long long>(us),
                  static_cast<long long>(bytes), error.empty() ? "ok" : "fail");
    std::string line = head + ServeField(name) + tail;
    if (!error.empty()) line += "\t" + ServeField(error);
    std::lock_guard lock(mutex_);
    ++transactions_;
    if (!error.empty()) ++failed_;
    WriteLocked(line);
  }

  void Ended(int64_t terminal, const TerminalFailure* failure) override {
    std::string line = "ended\t" + std::to_string(terminal);
    if (failure != nullptr) {
      line = "failed\t" + std::to_string(terminal) + "\t" + LoadErrorName(failure->kind) + "\t" +
             ServeField((failure->line > 0 ? "line " + std::to_string(failure->line) + ": " : "") +
                        failure->reason);
    }
    std::lock_guard lock(mutex_);
    running_.erase(terminal);
    WriteLocked(line);
  }

  void Write(const std::string& line) {
    std::lock_guard lock(mutex_);
    WriteLocked(line);
  }
  // False when `terminal` runs already; else it is running from now.
  bool Claim(int64_t terminal) {
    std::lock_guard lock(mutex_);
    return running_.insert(terminal).second;
  }
  void Release(int64_t terminal) {
    std::lock_guard lock(mutex_);
    running_.erase(terminal);
  }
  int64_t running() {
    std::lock_guard lock(mutex_);
    return int64_t(running_.size());
  }
  bool broken() {
    std::lock_guard lock(mutex_);
    return broken_;
  }
  std::string Totals() {
    std::lock_guard lock(mutex_);
    return "totals\t" + std::to_string(transactions_) + "\t" + std::to_string(failed_);
  }

 private:
  void WriteLocked(const std::string& line) {
    if (broken_) return;
    if (std::fprintf(out_, "%s\n", line.c_str()) < 0 || std::fflush(out_) != 0) broken_ = true;
  }

  std::FILE* out_;
  std::mutex mutex_;
  std::set<int64_t> running_;
  uint64_t transactions_ = 0;
  uint64_t failed_ = 0;
  bool broken_ = false;
};

}  // namespace

bool ParseServeCommand(std::string_view line, ServeCommand* command, std::string* error) {
  std::vector<std::string> words;
  *error = SplitCommandWords(line, &words);
  if (!error->empty()) return false;
  if (words.size() != 2 || (words[0] != "start" && words[0] != "stop") ||
      !ParseNumber(words[1], 1, kMaxLoadTerminals, &command->terminal)) {
    *error = "expected start N or stop N, N from 1 to " + std::to_string(kMaxLoadTerminals);
    return false;
  }
  command->start = words[0] == "start";
  return true;
}

std::string ServeField(std::string_view text) {
  std::string field(text);
  for (char& c : field) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return field;
}

int RunServeLoad(const LoadOptions& options) {
  LoadOptions o = options;
  if (o.script.empty()) {
    std::fprintf(o.progress, "marlsim: --serve-load needs --script FILE\n");
    return 1;
  }
  ScreenSize(o.start, &o.start.rows, &o.start.columns);
  LoadScript script;
  std::string error = ReadLoadScript(o.script, o.start.rows, o.start.columns, &script);
  if (!error.empty()) {
    std::fprintf(o.progress, "marlsim: script %s\n", error.c_str());
    return 1;
  }
  std::FILE* report_file = nullptr;
  if (!o.report.empty() && (report_file = std::fopen(o.report.c_str(), "w")) == nullptr) {
    std::fprintf(o.progress, "marlsim: cannot write %s: %s\n", o.report.c_str(),
                 std::strerror(errno));
    return 1;
  }
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  sigset_t previous;
  pthread_sigmask(SIG_BLOCK, &stop_signals, &previous);

  ServeLog log(o.output);
  // Terminals follow the script until stopped.
  LoadLimits limits;
  const int64_t processors = std::max<int64_t>(1, std::thread::hardware_concurrency());
  std::vector<std::unique_ptr<LoadWorker>> workers;
  const int64_t worker_count = std::min(kMostServeWorkers, kServeWorkersPerProcessor * processors);
  for (int64_t i = 0; i < worker_count; ++i) {
    workers.push_back(std::make_unique<LoadWorker>());
    workers.back()->log = &log;
    if (!workers.back()->ok()) {
      std::fprintf(o.progress, "marlsim: cannot create the workers' epoll and eventfd: %s\n",
                   std::strerror(errno));
      if (report_file != nullptr) std::fclose(report_file);
      return 1;
    }
  }
  for (auto& w : workers) w->Start();
  const double wall_begin = WallNow();
  const Clock::time_point begin = Clock::now();
  log.Write("ready\t" + ServeField(o.script));

  std::string stopped;
  std::string pending;
  int64_t started = 0;
  std::vector<TerminalFailure> start_failures;
  bool discarding = false;  // the rest of a line too long
  for (bool open = true; open && !log.broken();) {
    pollfd p{STDIN_FILENO, POLLIN, 0};
    const int ready = poll(&p, 1, 200);
    const timespec none{0, 0};
    const int signal = sigtimedwait(&stop_signals, nullptr, &none);
    if (signal == SIGINT || signal == SIGTERM) {
      stopped = signal == SIGINT ? "interrupted" : "terminated";
      break;
    }
    if (ready <= 0) continue;
    char buffer[4096];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) open = false;
    if (n > 0) pending.append(buffer, size_t(n));
    // The last line counts even without its line end.
    if (!open && !pending.empty()) pending.push_back('\n');
    for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
      std::string line = pending.substr(0, end);
      pending.erase(0, end + 1);
      if (discarding) {
        discarding = false;
        continue;
      }
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.find_first_not_of(" \t") == std::string::npos) continue;
      ServeCommand command;
      if (!ParseServeCommand(line, &command, &error)) {
        log.Write("error\t" + ServeField(error));
        continue;
      }
      const int64_t n_terminal = command.terminal;
      LoadWorker& worker = *workers[size_t(n_terminal) % workers.size()];
      if (!command.start) {
        worker.StopTerminal(n_terminal);
        continue;
      }
      if (!EnoughFiles(log.running() + 1, int64_t(workers.size()), &error)) {
        log.Write("refused\t" + std::to_string(n_terminal) + "\t" + ServeField(error));
        continue;
      }
      if (!log.Claim(n_terminal)) {
        log.Write("refused\t" + std::to_string(n_terminal) + "\tterminal " +
                  std::to_string(n_terminal) + " is running");
        continue;
      }
      ++started;
      auto terminal = std::make_unique<LoadTerminal>(n_terminal, script, limits);
      TerminalFailure failure;
      if (!terminal->Start(TerminalCommandLine(o.command_line, n_terminal), o.start,
                           TerminalSourceAddress(n_terminal), &failure)) {
        log.Transaction(n_terminal, "power-up", 0, 0, "connect: " + failure.reason);
        log.Ended(n_terminal, &failure);
        start_failures.push_back(std::move(failure));
        continue;
      }
      log.Write("started\t" + std::to_string(n_terminal));
      worker.Add(std::move(terminal));
    }
    if (pending.size() > kLongestCommand) {
      log.Write("error\ta command is at most " + std::to_string(kLongestCommand) + " bytes");
      pending.clear();
      discarding = true;
    }
  }
  for (auto& w : workers) w->Stop();
  for (auto& w : workers) w->Join();
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);

  LoadReport report;
  report.terminals = started;
  report.seconds = std::chrono::duration<double>(Clock::now() - begin).count();
  report.started_at = wall_begin;
  report.totals.errors[size_t(LoadError::kConnect)] += start_failures.size();
  report.failures = std::move(start_failures);
  for (auto& w : workers) {
    report.totals.Add(w->counters);
    report.response.Merge(w->response);
    report.failures.insert(report.failures.end(), w->failures.begin(), w->failures.end());
  }
  std::sort(
      report.failures.begin(), report.failures.end(),
      [](const TerminalFailure& a, const TerminalFailure& b) { return a.terminal < b.terminal; });
  report.peak_memory_kib = PeakMemoryKib();
  report.stopped = stopped;
  CompleteReport(o, script, &report);
  log.Write(log.Totals());
  if (report_file != nullptr) {
    const std::string json = ReportJson(report);
    std::fwrite(json.data(), 1, json.size(), report_file);
    std::fclose(report_file);
  }
  return stopped.empty() ? 0 : 130;
}

}  // namespace marl
