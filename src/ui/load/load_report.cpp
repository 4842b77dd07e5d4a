#include "ui/load/load_report.h"

#include <sys/resource.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <fstream>

#include "ui/core/window_views.h"

namespace marl {

namespace {

// Values below 64 us have a bucket each; above, each power of two is cut
// into 32 buckets.
size_t BucketOf(uint64_t us) {
  if (us < 64) return size_t(us);
  const int exponent = std::bit_width(us) - 1;  // 6 and up
  const size_t sub = size_t(us >> (exponent - 5)) & 31;
  return 64 + size_t(exponent - 6) * 32 + sub;
}

// The middle of a bucket, in us.
double BucketMiddle(size_t bucket) {
  if (bucket < 64) return double(bucket);
  const int exponent = int((bucket - 64) / 32) + 6;
  const uint64_t sub = (bucket - 64) % 32;
  const uint64_t low = (uint64_t(32) + sub) << (exponent - 5);
  const uint64_t width = uint64_t(1) << (exponent - 5);
  return double(low) + double(width) / 2;
}

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
  const size_t bucket = std::min(BucketOf(us), kBuckets - 1);
  ++buckets_[bucket];
  ++count_;
  max_ = std::max(max_, us);
}

void ResponseTimes::Merge(const ResponseTimes& other) {
  for (size_t i = 0; i < kBuckets; ++i) buckets_[i] += other.buckets_[i];
  count_ += other.count_;
  max_ = std::max(max_, other.max_);
}

double ResponseTimes::QuantileMs(double q) const {
  if (count_ == 0) return 0;
  // The sample of rank ceil(q * count), counting from 1.
  uint64_t rank = uint64_t(q * double(count_) + 0.999999);
  rank = std::clamp<uint64_t>(rank, 1, count_);
  uint64_t seen = 0;
  for (size_t i = 0; i < kBuckets; ++i) {
    seen += buckets_[i];
    if (seen >= rank) return std::min(BucketMiddle(i), double(max_)) / 1000.0;
  }
  return MaxMs();
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
         Fixed(r.response.QuantileMs(0.9), 2) + " ms, p99 " +
         Fixed(r.response.QuantileMs(0.99), 2) + " ms, max " + Fixed(r.response.MaxMs(), 2) +
         " ms (" + std::to_string(r.response.count()) + " replies answered)\n";
  out += "memory      " + std::to_string(r.peak_memory_kib) + " KiB at peak\n";
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

std::string ReportJson(const LoadReport& r) {
  const LoadTotals& c = r.totals;
  std::string out = "{";
  out += "\"terminals\":" + std::to_string(r.terminals);
  out += ",\"connected\":" + std::to_string(c.connected);
  out += ",\"duration_s\":" + Fixed(r.seconds, 3);
  out += ",\"stopped\":" + (r.stopped.empty() ? std::string("null") : JsonString(r.stopped));
  out += ",\"iterations\":" + std::to_string(c.iterations);
  out += ",\"commands\":" + std::to_string(c.commands);
  out += ",\"screens\":" + std::to_string(c.screens);
  out += ",\"screens_per_second\":" + Fixed(r.seconds > 0 ? double(c.screens) / r.seconds : 0, 1);
  out += ",\"replies\":" + std::to_string(c.replies);
  out += ",\"errors\":{\"total\":" + std::to_string(c.error_count());
  for (size_t k = 0; k < kLoadErrorKinds; ++k) {
    out += ",\"" + std::string(LoadErrorName(LoadError(k))) + "\":" + std::to_string(c.errors[k]);
  }
  out += "},\"response_ms\":{\"count\":" + std::to_string(r.response.count());
  out += ",\"median\":" + Fixed(r.response.QuantileMs(0.5), 3);
  out += ",\"p90\":" + Fixed(r.response.QuantileMs(0.9), 3);
  out += ",\"p99\":" + Fixed(r.response.QuantileMs(0.99), 3);
  out += ",\"max\":" + Fixed(r.response.MaxMs(), 3);
  out += "},\"peak_memory_kib\":" + std::to_string(r.peak_memory_kib);
  out += ",\"failures\":[";
  for (size_t i = 0; i < r.failures.size(); ++i) {
    const TerminalFailure& f = r.failures[i];
    out += i == 0 ? "{" : ",{";
    out += "\"terminal\":" + std::to_string(f.terminal);
    out += ",\"kind\":\"" + std::string(LoadErrorName(f.kind)) + "\"";
    out += ",\"line\":" + std::to_string(f.line);
    out += ",\"command\":" + JsonString(f.command);
    out += ",\"reason\":" + JsonString(f.reason);
    out += ",\"screen\":[";
    for (size_t s = 0; s < f.screen.size(); ++s)
      out += (s == 0 ? "" : ",") + JsonString(f.screen[s]);
    out += "]}";
  }
  out += "]}\n";
  return out;
}

}  // namespace marl
