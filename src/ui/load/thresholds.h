// Pass-or-fail limits on a load run, judged at its end and on a merged
// report: `p99<200ms`, `errors<0.1%`, `sign-in:p95<50ms`, `screens/s>500`.
// A failed one gives the run an exit status of its own, so CI can fail a
// job on it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/load/load_report.h"

namespace marl {

enum class ThresholdMetric {
  kQuantile,          // a percentile of the response time, in ms
  kMax,               // ms
  kMin,               // ms
  kMean,              // ms
  kCount,             // transactions answered
  kErrors,            // errors counted
  kErrorShare,        // errors / (answered + errors), in %
  kScreensPerSecond,  // over the run's duration
};

enum class ThresholdOp { kBelow, kAtMost, kAbove, kAtLeast };

struct Threshold {
  std::string text;  // as given
  std::string name;  // the transaction's, "" for the whole run
  ThresholdMetric metric = ThresholdMetric::kQuantile;
  double quantile = 0;  // for kQuantile, 0 to 1
  ThresholdOp op = ThresholdOp::kBelow;
  double limit = 0;  // ms for times, % for the error share
};

// `[NAME:]METRIC OP NUMBER[UNIT]`, blanks allowed around the parts.
// METRIC: median, pN (p50, p99, p99.9), min, max, mean, count, errors,
// screens/s. OP: <, <=, >, >=. A time's unit is us, ms (the default) or s;
// errors take a count or a share in %. False with `error` set otherwise.
bool ParseThreshold(std::string_view text, Threshold* out, std::string* error);

ThresholdVerdict Judge(const Threshold& threshold, const LoadReport& report);

// Judges each of `texts` on `report` and keeps the verdicts in it; a text
// that does not parse fails with its reason for a value.
void JudgeThresholds(const std::vector<std::string>& texts, LoadReport* report);

}  // namespace marl
