#include "ui/load/load_report.h"

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace marl {

namespace {

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

}  // namespace

const char* LoadErrorName(LoadError kind) {
  switch (kind) {
    case LoadError::kWaitTimeout:
      return "wait_timeout";
    case LoadError::kConnectionClosed:
      return "connection_closed";
    case LoadError::kMessageBox:
      return "message_box";
    case LoadError::kCommand:
      return "command";
    case LoadError::kConnect:
      return "connect";
  }
  return "command";
}

void ResponseTimes::Add(uint64_t us) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  // A clock set back keeps counting into the second it had reached.
  const int64_t second = std::max<int64_t>(now.tv_sec, pending_second_);
  if (second != pending_second_) {
    Settle();
    pending_second_ = second;
  }
  if (pending_.empty()) pending_.resize(Histogram::kBuckets);
  ++pending_[Histogram::BucketOf(us)];
  ++pending_count_;
  pending_min_ = std::min(pending_min_, us);
  pending_max_ = std::max(pending_max_, us);
  pending_sum_ += us;
}

void ResponseTimes::Settle() const {
  if (pending_count_ == 0) return;
  overall_.MergeDense(pending_, pending_min_, pending_max_, pending_sum_);
  seconds_[pending_second_].MergeDense(pending_, pending_min_, pending_max_, pending_sum_);
  std::fill(pending_.begin(), pending_.end(), 0);
  pending_count_ = 0;
  pending_min_ = UINT64_MAX;
  pending_max_ = 0;
  pending_sum_ = 0;
}

const Histogram& ResponseTimes::overall() const {
  Settle();
  return overall_;
}

const std::map<int64_t, Histogram>& ResponseTimes::seconds() const {
  Settle();
  return seconds_;
}

Histogram& ResponseTimes::mutable_overall() {
  Settle();
  return overall_;
}

std::map<int64_t, Histogram>& ResponseTimes::mutable_seconds() {
  Settle();
  return seconds_;
}

void ResponseTimes::AddAt(int64_t second, uint64_t us, const std::string& name) {
  Settle();
  overall_.Add(us);
  seconds_[second].Add(us);
  if (!name.empty()) names_[name].response.Add(us);
}

void ResponseTimes::Merge(const ResponseTimes& other) {
  Settle();
  overall_.Merge(other.overall());
  for (const auto& [second, h] : other.seconds()) seconds_[second].Merge(h);
  for (const auto& [name, stats] : other.names_) {
    TransactionStats& mine = names_[name];
    mine.response.Merge(stats.response);
    mine.errors += stats.errors;
  }
}

bool LoadReport::ThresholdsPassed() const {
  for (const ThresholdVerdict& v : thresholds) {
    if (!v.passed) return false;
  }
  return true;
}

int LoadReport::Status() const {
  if (!ThresholdsPassed()) return 3;
  return totals.error_count() > 0 ? 2 : 0;
}

double WallNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

void LoadTotals::Add(const LoadCounters& c) {
  connected += c.connected.load(std::memory_order_relaxed);
  iterations += c.iterations.load(std::memory_order_relaxed);
  commands += c.commands.load(std::memory_order_relaxed);
  screens += c.screens.load(std::memory_order_relaxed);
  replies += c.replies.load(std::memory_order_relaxed);
  for (size_t k = 0; k < kLoadErrorKinds; ++k) {
    errors[k] += c.errors[k].load(std::memory_order_relaxed);
  }
}

uint64_t LoadTotals::error_count() const {
  uint64_t total = 0;
  for (uint64_t e : errors) total += e;
  return total;
}

uint64_t PeakMemoryKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, 6, "VmHWM:") == 0) return std::strtoull(line.c_str() + 6, nullptr, 10);
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return uint64_t(usage.ru_maxrss);
}

std::string ReportText(const LoadReport& r) {
  const LoadTotals& c = r.totals;
  std::string out;
  out += "terminals   " + std::to_string(r.terminals) + " (" + std::to_string(c.connected) +
         " connected)\n";
  out += "duration    " + Fixed(r.seconds, 1) + " s" +
         (r.stopped.empty() ? "" : " (" + r.stopped + ")") + "\n";
  out += "iterations  " + std::to_string(c.iterations) + "\n";
  out += "commands    " + std::to_string(c.commands) + "\n";
  out += "screens     " + std::to_string(c.screens) + " (" +
         Fixed(r.seconds > 0 ? double(c.screens) / r.seconds : 0, 1) + "/s)\n";
  out += "replies     " + std::to_string(c.replies) + "\n";
  out += "errors      " + std::to_string(c.error_count());
  for (size_t k = 0; k < kLoadErrorKinds; ++k) {
    out += std::string(k == 0 ? " (" : ", ") + LoadErrorName(LoadError(k)) + " " +
           std::to_string(c.errors[k]);
  }
  out += ")\n";
  out += "response    median " + Fixed(r.response.QuantileMs(0.5), 2) + " ms, p90 " +
         Fixed(r.response.QuantileMs(0.9), 2) + " ms, p95 " +
         Fixed(r.response.QuantileMs(0.95), 2) + " ms, p99 " +
         Fixed(r.response.QuantileMs(0.99), 2) + " ms, p99.9 " +
         Fixed(r.response.QuantileMs(0.999), 2) + " ms, max " + Fixed(r.response.MaxMs(), 2) +
         " ms (" + std::to_string(r.response.count()) + " replies answered)\n";
  for (const auto& [name, stats] : r.response.names()) {
    const Histogram& h = stats.response;
    out += "  " + name + ": " + std::to_string(h.count()) + ", " + std::to_string(stats.errors) +
           " errors, median " + Fixed(h.QuantileMs(0.5), 2) + " ms, p95 " +
           Fixed(h.QuantileMs(0.95), 2) + " ms, p99 " + Fixed(h.QuantileMs(0.99), 2) + " ms, max " +
           Fixed(double(h.max()) / 1000, 2) + " ms\n";
  }
  out += "memory      " + std::to_string(r.peak_memory_kib) + " KiB at peak\n";
  for (const ThresholdVerdict& v : r.thresholds) {
    out += "threshold   " + v.threshold + ": " +
           (v.measured || !v.shown.empty() ? v.shown : "nothing measured") +
           (v.passed ? ", passed\n" : ", FAILED\n");
  }
  // A few failures in full; the JSON report has them all.
  constexpr size_t kShown = 5;
  for (size_t i = 0; i < r.failures.size() && i < kShown; ++i) {
    const TerminalFailure& f = r.failures[i];
    out += "terminal " + std::to_string(f.terminal) + " failed: " + LoadErrorName(f.kind) + ": " +
           f.reason;
    if (f.line > 0) out += " at line " + std::to_string(f.line) + ": " + f.command;
    out += "\n";
    // Blank rows at the bottom say nothing.
    size_t rows = f.screen.size();
    while (rows > 0 && f.screen[rows - 1].find_first_not_of(' ') == std::string::npos) --rows;
    for (size_t row = 0; row < rows; ++row) out += "  |" + f.screen[row] + "|\n";
  }
  if (r.failures.size() > kShown) {
    out += "... and " + std::to_string(r.failures.size() - kShown) + " more failed terminals\n";
  }
  return out;
}

}  // namespace marl
