// What a load run counts, and the report it ends with: as text for a person
// and as JSON for CI dashboards.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ui/load/histogram.h"

namespace marl {

enum class LoadError { kWaitTimeout, kConnectionClosed, kMessageBox, kCommand, kConnect };
constexpr size_t kLoadErrorKinds = 5;
// The JSON names: wait_timeout, connection_closed, message_box, command,
// connect.
const char* LoadErrorName(LoadError kind);

// What a load run counted about one transaction name: a reply and the
// host's answer to it.
struct TransactionStats {
  Histogram response;
  uint64_t errors = 0;
};

// Host response times: overall, for each wall-clock second (seconds since
// 1970, so the runs of several machines line up) and for each transaction
// name. Each worker keeps its own; they merge exactly.
//
// A worker records a sample for every answered reply, so `Add` only counts
// into a plain array for the current second; the histograms take the
// second's counts when the next second begins or when they are read. One
// thread at a time: the worker while it runs, the driver once it has
// joined it.
class ResponseTimes {
 public:
  // Now, on the wall clock; unnamed.
  void Add(uint64_t microseconds);
  void AddAt(int64_t second, uint64_t microseconds, const std::string& name = {});
  void Merge(const ResponseTimes& other);
  uint64_t count() const { return overall().count(); }
  // The time below which the fraction `q` of the samples lie, in ms.
  double QuantileMs(double q) const { return overall().QuantileMs(q); }
  double MaxMs() const { return double(overall().max()) / 1000.0; }

  const Histogram& overall() const;
  const std::map<int64_t, Histogram>& seconds() const;
  const std::map<std::string, TransactionStats>& names() const { return names_; }
  // For a report read back.
  Histogram& mutable_overall();
  std::map<int64_t, Histogram>& mutable_seconds();
  std::map<std::string, TransactionStats>& mutable_names() { return names_; }

 private:
  // Folds the current second's counts into the histograms. Reading settles
  // too, hence the mutable members.
  void Settle() const;

  mutable Histogram overall_;
  mutable std::map<int64_t, Histogram> seconds_;
  std::map<std::string, TransactionStats> names_;
  mutable std::vector<uint64_t> pending_;  // a count a bucket, or empty
  mutable int64_t pending_second_ = 0;
  mutable uint64_t pending_count_ = 0;
  mutable uint64_t pending_min_ = UINT64_MAX;
  mutable uint64_t pending_max_ = 0;
  mutable uint64_t pending_sum_ = 0;
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

// What one wall-clock second of a run counted, beside its response times.
struct SecondCounts {
  uint64_t screens = 0;
  uint64_t replies = 0;
  uint64_t iterations = 0;
  uint64_t errors = 0;
  uint64_t running = 0;  // the most terminals running at its start or end (summed when merged)
};

// How a run was set up, as its report keeps it.
struct LoadSettings {
  std::string script;               // as given
  std::string script_id;            // a digest of its commands: reports merge only if they agree
  int64_t load = 0;                 // --load: the whole run's terminals, every shard's
  std::vector<std::string> shards;  // "I/N" of each run in the report; empty: unsharded
  double duration_s = 0;
  int64_t iterations = 0;
  double ramp = 0;
  std::string size;  // COLSxROWS
  std::string command_line;
  double start_at = 0;  // --start-at, s since 1970; 0 when not given
};

// A threshold judged on the report.
struct ThresholdVerdict {
  std::string threshold;  // as given
  bool measured = false;  // false: nothing to measure (no such transaction)
  double value = 0;
  std::string shown;  // the value with its unit, for people
  bool passed = false;
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
  double started_at = 0;  // wall clock, s since 1970
  LoadSettings settings;
  std::map<int64_t, SecondCounts> timeline;
  std::vector<ThresholdVerdict> thresholds;

  bool ThresholdsPassed() const;
  // The exit status a run or a merge ends with: 3 when a threshold failed,
  // else 2 when a terminal failed, else 0. A threshold on errors may fail a
  // run, never pass one whose terminals failed: CI tells the two apart.
  int Status() const;
};

// The process's peak resident memory so far.
uint64_t PeakMemoryKib();

std::string ReportText(const LoadReport& report);
// In report_json.cpp, with its reader.
std::string ReportJson(const LoadReport& report);

// The wall clock: seconds since 1970.
double WallNow();

}  // namespace marl
