#include "ui/load/load_driver.h"

#include <arpa/inet.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "app/settings_file.h"
#include "terminal.h"
#include "ui/core/command_words.h"
#include "ui/core/core_platform.h"
#include "ui/load/html_report.h"
#include "ui/load/load_report.h"
#include "ui/load/load_script.h"
#include "ui/load/load_terminal.h"
#include "ui/load/load_timeline.h"
#include "ui/load/load_worker.h"
#include "ui/load/report_outputs.h"

namespace marl {

namespace {

using Clock = std::chrono::steady_clock;

// Descriptors beyond the terminals' sockets: standard streams, the script,
// the report, a trace, and each worker's epoll and eventfd.
constexpr int64_t kSpareFiles = 32;
constexpr int64_t kFilesPerWorker = 2;
constexpr int64_t kWorkersPerProcessor = 4;
constexpr int32_t kProposedRows = 16;
constexpr int32_t kProposedColumns = 20;
constexpr double kMostWaitToStart = 24 * 3600;

int Refuse(const LoadOptions& o, const std::string& message) {
  std::fprintf(o.progress, "marlsim: %s\n", message.c_str());
  return 1;
}

}  // namespace

bool EnoughFiles(int64_t terminals, int64_t workers, std::string* error) {
  const int64_t needed = terminals + workers * kFilesPerWorker + kSpareFiles;
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return true;
  if (limit.rlim_cur != RLIM_INFINITY && int64_t(limit.rlim_cur) < needed) {
    const rlim_t raised =
        limit.rlim_max == RLIM_INFINITY ? rlim_t(needed) : std::min(limit.rlim_max, rlim_t(needed));
    limit.rlim_cur = raised;
    setrlimit(RLIMIT_NOFILE, &limit);
    getrlimit(RLIMIT_NOFILE, &limit);
  }
  if (limit.rlim_cur == RLIM_INFINITY || int64_t(limit.rlim_cur) >= needed) return true;
  const int64_t most = int64_t(limit.rlim_cur) - workers * kFilesPerWorker - kSpareFiles;
  *error = std::to_string(terminals) + " terminals need " + std::to_string(needed) +
           " open files, but this process may open only " + std::to_string(limit.rlim_cur) +
           " (ulimit -Hn); at most " + std::to_string(std::max<int64_t>(0, most)) +
           " terminals can run";
  return false;
}

void ScreenSize(const StartOptions& start, int32_t* rows, int32_t* columns) {
  CorePlatform platform(CorePlatform::HostData::kInline);
  Terminal t(&platform);
  ReadSettings(t);
  *rows = start.rows > 1 ? start.rows : t.screen.rows > 0 ? t.screen.rows : kProposedRows;
  *columns = start.columns > 1      ? start.columns
             : t.screen.columns > 0 ? t.screen.columns
                                    : kProposedColumns;
}

namespace {

// Starts the terminals, at the ramp's pace, and hands them to the workers.
class Starter {
 public:
  Starter(const LoadOptions& o, const LoadScript& script, const LoadLimits& limits,
          std::vector<std::unique_ptr<LoadWorker>>& workers, Clock::time_point begin)
      : o_(o), script_(script), limits_(limits), workers_(workers), begin_(begin) {}

  void Start() {
    thread_ = std::thread([this] { Run(); });
  }
  void Stop() {
    std::lock_guard lock(mutex_);
    stop_ = true;
    cv_.notify_all();
  }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  bool done() const { return done_.load(); }
  // Read once joined.
  std::vector<TerminalFailure> failures;
  std::atomic<uint64_t> failed{0};

 private:
  void Run() {
    // A shard ramps at its share of the run's rate.
    const double ramp = o_.ramp * double(o_.last - o_.first + 1) / double(o_.terminals);
    for (int64_t n = o_.first; n <= o_.last; ++n) {
      if (ramp > 0 || n == o_.first) {
        const double offset = ramp > 0 ? double(n - o_.first) / ramp : 0;
        const auto at = begin_ + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(offset));
        std::unique_lock lock(mutex_);
        cv_.wait_until(lock, at, [&] { return stop_; });
      }
      {
        std::lock_guard lock(mutex_);
        if (stop_) break;
      }
      auto terminal = std::make_unique<LoadTerminal>(n, script_, limits_);
      TerminalFailure failure;
      if (!terminal->Start(TerminalCommandLine(o_.command_line, n), o_.start,
                           TerminalSourceAddress(n), &failure)) {
        failures.push_back(std::move(failure));
        failed.fetch_add(1);
        continue;
      }
      workers_[size_t(n - o_.first) % workers_.size()]->Add(std::move(terminal));
    }
    for (auto& worker : workers_) worker->NoMoreTerminals();
    done_.store(true);
  }

  const LoadOptions& o_;
  const LoadScript& script_;
  const LoadLimits& limits_;
  std::vector<std::unique_ptr<LoadWorker>>& workers_;
  Clock::time_point begin_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool stop_ = false;
  std::atomic<bool> done_{false};
};

LoadTotals Totals(const std::vector<std::unique_ptr<LoadWorker>>& workers) {
  LoadTotals totals;
  for (const auto& w : workers) totals.Add(w->counters);
  return totals;
}

// One line on the progress stream: over itself on a terminal, else a new
// line each time.
void ShowProgress(const LoadOptions& o, bool tty, const LoadTotals& c, uint64_t running,
                  uint64_t failed_to_start, double screens_per_second, double seconds) {
  char line[256];
  std::snprintf(
      line, sizeof line,
      "load: %llu of %lld connected, %llu iterations, %.0f screens/s, %llu errors, %.0f s",
      static_cast<unsigned long long>(running), static_cast<long long>(o.last - o.first + 1),
      static_cast<unsigned long long>(c.iterations), screens_per_second,
      static_cast<unsigned long long>(c.error_count() + failed_to_start), seconds);
  std::fprintf(o.progress, tty ? "\r%s\x1b[K" : "%s\n", line);
  std::fflush(o.progress);
}

// The benchmark's seam: MARLSIM_LOAD_THREADS=terminal gives each terminal a
// thread of its own, a number that many threads.
void ReadThreadSeam(LoadOptions* o) {
  const char* threads = std::getenv("MARLSIM_LOAD_THREADS");
  int64_t count = 0;
  if (threads == nullptr) return;
  if (std::string(threads) == "terminal") {
    o->threads = kThreadPerTerminal;
  } else if (ParseNumber(threads, 1, 4096, &count)) {
    o->threads = count;
  }
}

}  // namespace

bool IsLoadOption(const std::string& name) {
  return name == "--load" || name == "--duration" || name == "--iterations" || name == "--ramp" ||
         name == "--report" || IsReportOption(name);
}

bool ParseLoadOption(const std::string& name, const std::string& value, LoadOptions* o,
                     std::string* error) {
  int64_t number = 0;
  if (name == "--load") {
    if (!ParseNumber(value, 1, kMaxLoadTerminals, &number)) {
      *error = "--load needs a number of terminals from 1 to " + std::to_string(kMaxLoadTerminals);
      return false;
    }
    o->terminals = number;
    return true;
  }
  if (IsReportOption(name)) return ParseReportOption(name, value, o, error);
  o->given = true;
  if (name == "--iterations") {
    if (!ParseNumber(value, 1, 1000000000, &number)) {
      *error = "--iterations needs a number from 1 to 1000000000";
      return false;
    }
    o->iterations = number;
    return true;
  }
  if (name == "--report") {
    o->report = value;
    if (value.empty()) *error = "--report needs a file";
    return !value.empty();
  }
  char* end = nullptr;
  const double seconds = std::strtod(value.c_str(), &end);
  if (value.empty() || *end != 0 || !(seconds > 0) || seconds > 1e7) {
    *error = name + (name == "--ramp" ? " needs terminals a second" : " needs seconds") +
             ", a number above 0";
    return false;
  }
  (name == "--duration" ? o->duration_s : o->ramp) = seconds;
  return true;
}

std::string TerminalCommandLine(const std::string& command_line, int64_t n) {
  std::string filled;
  if (FillPlaceholders(command_line, n, 1, &filled).empty() && filled != command_line) {
    return filled;
  }
  // Each option's value runs to the next '-', trailing blanks aside; the
  // number goes at the end of every -I value (the last one counts).
  std::string line = command_line;
  for (size_t dash = line.rfind('-'); dash != std::string::npos;
       dash = dash == 0 ? std::string::npos : line.rfind('-', dash - 1)) {
    if (dash + 1 >= line.size() || (line[dash + 1] != 'I' && line[dash + 1] != 'i')) continue;
    size_t end = line.find('-', dash + 1);
    if (end == std::string::npos) end = line.size();
    while (end > dash + 2 && line[end - 1] == ' ') --end;
    line.insert(end, std::to_string(n));
  }
  return line;
}

uint32_t TerminalSourceAddress(int64_t n) {
  const uint32_t index = uint32_t(n - 1);
  const uint32_t third = (index / 254) & 0xFF;
  const uint32_t fourth = index % 254 + 1;
  return htonl((127u << 24) | (1u << 16) | (third << 8) | fourth);
}

int RunLoad(const LoadOptions& options) {
  LoadOptions o = options;
  if (o.terminals < 1 || o.terminals > kMaxLoadTerminals) {
    return Refuse(
        o, "--load needs a number of terminals from 1 to " + std::to_string(kMaxLoadTerminals));
  }
  if (o.script.empty()) return Refuse(o, "--load needs --script FILE");
  if (o.duration_s <= 0 && o.iterations <= 0) o.iterations = 1;
  ReadThreadSeam(&o);
  ScreenSize(o.start, &o.start.rows, &o.start.columns);
  LoadScript script;
  std::string error = ReadLoadScript(o.script, o.start.rows, o.start.columns, &script);
  if (!error.empty()) return Refuse(o, "script " + error);
  // A few workers for each processor: a worker that waits (a full socket, a
  // host slow to accept) holds up only its share of the terminals, and on a
  // busy machine the run keeps its share of the processors.
  const int64_t processors = std::max<int64_t>(1, std::thread::hardware_concurrency());
  const int64_t threads = o.threads == kThreadPerTerminal ? o.terminals
                          : o.threads > 0                 ? o.threads
                                                          : kWorkersPerProcessor * processors;
  ShardRange(o.shard, o.terminals, &o.first, &o.last);
  const int64_t count = o.last - o.first + 1;
  if (count < 1) {
    return Refuse(o, "--shard " + std::to_string(o.shard.index) + "/" +
                         std::to_string(o.shard.count) + " gets none of --load " +
                         std::to_string(o.terminals) + "'s terminals");
  }
  const int64_t worker_count = std::min(threads, count);
  if (!EnoughFiles(count, worker_count, &error)) return Refuse(o, error);
  if (o.start_at > WallNow() + kMostWaitToStart) {
    return Refuse(o, "--start-at is more than a day away");
  }
  // The page is written at the end; a file that cannot be is known now.
  if (!o.html.empty() && !WriteWholeFile(o.html, "", &error)) return Refuse(o, error);
  std::FILE* report_file = nullptr;
  if (!o.report.empty()) {
    report_file = std::fopen(o.report.c_str(), "w");
    if (report_file == nullptr) {
      return Refuse(o, "cannot write " + o.report + ": " + std::strerror(errno));
    }
  }

  // Ctrl+C and SIGTERM come to this thread alone, which ends the run and
  // writes the report; the threads started below inherit the mask.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  sigset_t previous;
  pthread_sigmask(SIG_BLOCK, &stop_signals, &previous);

  // --start-at: every shard begins at the same moment on the wall clock.
  const double wall_begin = std::max(WallNow(), o.start_at);
  const Clock::time_point begin =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(
                         std::chrono::duration<double>(wall_begin - WallNow()));
  LoadLimits limits;
  limits.iterations = o.iterations;
  if (o.duration_s > 0) {
    limits.end = begin + std::chrono::duration_cast<Clock::duration>(
                             std::chrono::duration<double>(o.duration_s));
  }
  // Said once Ctrl+C is held back, so a person (or a test) who reads it
  // knows that interrupting now still writes the report.
  if (wall_begin > WallNow() + 1) {
    std::fprintf(o.progress, "load: waiting for --start-at, %.0f s to go\n",
                 wall_begin - WallNow());
    std::fflush(o.progress);
  }
  std::vector<std::unique_ptr<LoadWorker>> workers;
  for (int64_t i = 0; i < worker_count; ++i) {
    workers.push_back(std::make_unique<LoadWorker>());
    if (!workers.back()->ok()) {
      pthread_sigmask(SIG_SETMASK, &previous, nullptr);
      if (report_file != nullptr) std::fclose(report_file);
      return Refuse(
          o, "cannot create the workers' epoll and eventfd: " + std::string(std::strerror(errno)));
    }
  }
  for (auto& w : workers) w->Start();
  Starter starter(o, script, limits, workers, begin);
  starter.Start();

  const bool tty = isatty(fileno(o.progress)) != 0;
  const auto every = std::chrono::seconds(tty ? 1 : 10);
  Clock::time_point last_shown = begin;
  uint64_t screens_then = 0;
  std::string stopped;
  bool all_done = false;
  LoadTimeline timeline;
  timeline.Sample(wall_begin, LoadTotals(), 0);
  auto sample = [&](double now) {
    LoadTotals totals = Totals(workers);
    totals.errors[size_t(LoadError::kConnect)] += starter.failed.load();
    uint64_t running = 0;
    for (const auto& w : workers) running += w->running();
    timeline.Sample(now, totals, running);
  };
  for (;;) {
    // Woken just past each whole second of the wall clock, for the timeline.
    const double wall = WallNow();
    if (wall >= wall_begin && timeline.Due(wall)) sample(wall);
    const long to_second = long((1.002 - (wall - std::floor(wall))) * 1e9);
    const timespec slice{0, std::clamp(to_second, 1000000L, 100 * 1000 * 1000L)};
    const int signal = sigtimedwait(&stop_signals, nullptr, &slice);
    if (signal == SIGINT || signal == SIGTERM) {
      stopped = signal == SIGINT ? "interrupted" : "terminated";
      break;
    }
    const Clock::time_point now = Clock::now();
    all_done = starter.done() &&
               std::all_of(workers.begin(), workers.end(), [](const auto& w) { return w->done(); });
    if (all_done || now >= limits.end) break;
    if (now - last_shown >= every) {
      const LoadTotals totals = Totals(workers);
      uint64_t running = 0;
      for (const auto& w : workers) running += w->running();
      const double interval = std::chrono::duration<double>(now - last_shown).count();
      ShowProgress(o, tty, totals, running, starter.failed.load(),
                   double(totals.screens - screens_then) / interval,
                   std::chrono::duration<double>(now - begin).count());
      screens_then = totals.screens;
      last_shown = now;
    }
  }
  limits.stopping = true;
  starter.Stop();
  for (auto& w : workers) w->Stop();
  starter.Join();
  for (auto& w : workers) w->Join();
  if (tty) std::fputs("\n", o.progress);
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);

  LoadReport report;
  report.terminals = count;
  // A run that ended by itself lasted until its last worker was done, not
  // until this thread noticed.
  Clock::time_point end = Clock::now();
  if (all_done) {
    end = begin;
    for (const auto& w : workers) end = std::max(end, w->finished_at());
  }
  report.seconds = std::max(0.0, std::chrono::duration<double>(end - begin).count());
  sample(WallNow());
  report.started_at = wall_begin;
  report.timeline = timeline.seconds();
  report.totals = Totals(workers);
  report.totals.errors[size_t(LoadError::kConnect)] += starter.failures.size();
  report.failures = std::move(starter.failures);
  for (auto& w : workers) {
    report.response.Merge(w->response);
    report.failures.insert(report.failures.end(), w->failures.begin(), w->failures.end());
  }
  std::sort(
      report.failures.begin(), report.failures.end(),
      [](const TerminalFailure& a, const TerminalFailure& b) { return a.terminal < b.terminal; });
  report.peak_memory_kib = PeakMemoryKib();
  report.stopped = stopped;
  CompleteReport(o, script, &report);
  const std::string text = ReportText(report);
  // A report that does not reach its file must not pass for one that did.
  bool written = std::fwrite(text.data(), 1, text.size(), o.output) == text.size();
  written = std::fflush(o.output) == 0 && written;
  if (!written)
    std::fprintf(stderr, "marlsim: cannot write the report: %s\n", std::strerror(errno));
  if (report_file != nullptr) {
    const std::string json = ReportJson(report);
    bool json_written = std::fwrite(json.data(), 1, json.size(), report_file) == json.size();
    json_written = std::fflush(report_file) == 0 && json_written;
    json_written = std::fclose(report_file) == 0 && json_written;
    if (!json_written) {
      std::fprintf(stderr, "marlsim: cannot write %s: %s\n", o.report.c_str(),
                   std::strerror(errno));
      written = false;
    }
  }
  if (!o.html.empty() && !WriteWholeFile(o.html, ReportHtml(report), &error)) {
    std::fprintf(o.progress, "marlsim: %s\n", error.c_str());
    written = false;
  }
  if (!written) return 1;
  if (!stopped.empty()) return 130;
  return report.Status();
}

}  // namespace marl
