// What a load run counts, and the report it ends with: as text for a person
// and as JSON for CI dashboards.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace marl {

enum class LoadError { kWaitTimeout, kConnectionClosed, kMessageBox, kCommand, kConnect };
constexpr size_t kLoadErrorKinds = 5;
// The JSON names: wait_timeout, connection_closed, message_box, command,
// connect.
const char* LoadErrorName(LoadError kind);

// Host response times, kept as a histogram of microseconds whose buckets
// are about 3% wide, so a run of any length takes the same memory.
class ResponseTimes {
 public:
  void Add(uint64_t microseconds);
  void Merge(const ResponseTimes& other);
  uint64_t count() const { return count_; }
  // The time below which the fraction `q` of the samples lie, in ms.
  double QuantileMs(double q) const;
  double MaxMs() const { return double(max_) / 1000.0; }

 private:
  static constexpr size_t kBuckets = 64 + 40 * 32;
  std::array<uint32_t, kBuckets> buckets_{};
  uint64_t count_ = 0;
  uint64_t max_ = 0;
};

// One worker's counts. Only the worker writes them; the progress line reads
// them while it runs.
struct LoadCounters {
  std::atomic<uint64_t> connected{0};
  std::atomic<uint64_t> iterations{0};
  std::atomic<uint64_t> commands{0};
  std::atomic<uint64_t> screens{0};
  std::atomic<uint64_t> replies{0};
  std::array<std::atomic<uint64_t>, kLoadErrorKinds> errors{};

  void Bump(std::atomic<uint64_t>& counter, uint64_t by = 1) {
    counter.store(counter.load(std::memory_order_relaxed) + by, std::memory_order_relaxed);
  }
};

// A terminal that stopped on an error, with what it was doing and showing.
struct TerminalFailure {
  int64_t terminal = 0;
  LoadError kind = LoadError::kCommand;
  int32_t line = 0;     // the script line, 0 outside the script
  std::string command;  // as it ran, placeholders filled in
  std::string reason;
  std::vector<std::string> screen;
};

struct LoadTotals {
  uint64_t connected = 0;
  uint64_t iterations = 0;
  uint64_t commands = 0;
  uint64_t screens = 0;
  uint64_t replies = 0;
  std::array<uint64_t, kLoadErrorKinds> errors{};

  void Add(const LoadCounters& c);
  uint64_t error_count() const;
};

struct LoadReport {
  int64_t terminals = 0;
  double seconds = 0;
  LoadTotals totals;
  ResponseTimes response;
  std::vector<TerminalFailure> failures;  // by terminal number
  uint64_t peak_memory_kib = 0;
  // Why the run ended early ("interrupted"), or "".
  std::string stopped;
};

// The process's peak resident memory so far.
uint64_t PeakMemoryKib();

std::string ReportText(const LoadReport& report);
std::string ReportJson(const LoadReport& report);

}  // namespace marl
