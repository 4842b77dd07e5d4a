#include "ui/load/thresholds.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace marl {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A number without sign, and what follows it.
bool LeadingNumber(std::string_view s, double* value, std::string_view* rest) {
  if (s.empty() || !((s[0] >= '0' && s[0] <= '9') || s[0] == '.')) return false;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), *value);
  if (ec != std::errc() || !std::isfinite(*value)) return false;
  *rest = Trim(s.substr(size_t(end - s.data())));
  return true;
}

bool Metric(std::string_view word, Threshold* t) {
  if (word == "median") {
    t->quantile = 0.5;
  } else if (word == "max") {
    t->metric = ThresholdMetric::kMax;
  } else if (word == "min") {
    t->metric = ThresholdMetric::kMin;
  } else if (word == "mean" || word == "avg") {
    t->metric = ThresholdMetric::kMean;
  } else if (word == "count") {
    t->metric = ThresholdMetric::kCount;
  } else if (word == "errors") {
    t->metric = ThresholdMetric::kErrors;
  } else if (word == "screens/s") {
    t->metric = ThresholdMetric::kScreensPerSecond;
  } else if (word.size() > 1 && word[0] == 'p') {
    double percent = 0;
    std::string_view rest;
    if (!LeadingNumber(word.substr(1), &percent, &rest) || !rest.empty() || !(percent > 0) ||
        percent > 100) {
      return false;
    }
    t->quantile = percent / 100;
  } else {
    return false;
  }
  return true;
}

bool IsTime(ThresholdMetric m) {
  return m == ThresholdMetric::kQuantile || m == ThresholdMetric::kMax ||
         m == ThresholdMetric::kMin || m == ThresholdMetric::kMean;
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

bool ParseThreshold(std::string_view text, Threshold* out, std::string* error) {
  Threshold t;
  t.text = std::string(Trim(text));
  const std::string_view whole = t.text;
  auto fail = [&](const std::string& why) {
    *error = "--threshold \"" + std::string(whole) + "\": " + why;
    return false;
  };
  const size_t at = whole.find_first_of("<>");
  if (at == std::string_view::npos) return fail("needs <, <=, > or >= and a limit");
  std::string_view left = Trim(whole.substr(0, at));
  size_t after = at + 1;
  const bool or_equal = after < whole.size() && whole[after] == '=';
  if (or_equal) ++after;
  t.op = whole[at] == '<' ? (or_equal ? ThresholdOp::kAtMost : ThresholdOp::kBelow)
                          : (or_equal ? ThresholdOp::kAtLeast : ThresholdOp::kAbove);
  const size_t colon = left.rfind(':');
  if (colon != std::string_view::npos) {
    t.name = std::string(Trim(left.substr(0, colon)));
    left = Trim(left.substr(colon + 1));
    if (t.name.empty()) return fail("the transaction name before ':' is empty");
  }
  if (!Metric(left, &t)) {
    return fail("unknown measure \"" + std::string(left) +
                "\"; use median, p90, p99.9, min, max, mean, count, errors or screens/s");
  }
  if (!t.name.empty() && t.metric == ThresholdMetric::kScreensPerSecond) {
    return fail("screens/s is counted for the whole run, not per transaction");
  }
  std::string_view unit;
  if (!LeadingNumber(Trim(whole.substr(after)), &t.limit, &unit)) {
    return fail("expected a number after the comparison");
  }
  if (IsTime(t.metric)) {
    if (unit == "s") {
      t.limit *= 1000;
    } else if (unit == "us") {
      t.limit /= 1000;
    } else if (!unit.empty() && unit != "ms") {
      return fail("unknown unit \"" + std::string(unit) + "\"; use us, ms or s");
    }
  } else if (t.metric == ThresholdMetric::kErrors && unit == "%") {
    t.metric = ThresholdMetric::kErrorShare;
    if (t.limit > 100) return fail("a share above 100%");
  } else if (!unit.empty()) {
    return fail("no unit \"" + std::string(unit) + "\" for this measure");
  }
  *out = std::move(t);
  return true;
}

ThresholdVerdict Judge(const Threshold& t, const LoadReport& report) {
  ThresholdVerdict v;
  v.threshold = t.text;
  const Histogram* times = &report.response.overall();
  uint64_t errors = report.totals.error_count();
  if (!t.name.empty()) {
    const auto named = report.response.names().find(t.name);
    if (named == report.response.names().end()) {
      v.shown = "no transaction named " + t.name;
      return v;
    }
    times = &named->second.response;
    errors = named->second.errors;
  }
  if (IsTime(t.metric)) {
    if (times->count() == 0) return v;
    const double us = t.metric == ThresholdMetric::kMax    ? double(times->max())
                      : t.metric == ThresholdMetric::kMin  ? double(times->min())
                      : t.metric == ThresholdMetric::kMean ? times->MeanUs()
                                                           : double(times->ValueAt(t.quantile));
    v.value = us / 1000;
    v.shown = Format("%.2f ms", v.value);
  } else if (t.metric == ThresholdMetric::kCount) {
    v.value = double(times->count());
    v.shown = Format("%.0f", v.value);
  } else if (t.metric == ThresholdMetric::kErrors) {
    v.value = double(errors);
    v.shown = Format("%.0f errors", v.value);
  } else if (t.metric == ThresholdMetric::kErrorShare) {
    const uint64_t tried = times->count() + errors;
    if (tried == 0) return v;
    v.value = 100.0 * double(errors) / double(tried);
    v.shown = Format("%.3g%%", v.value);
  } else {
    if (!(report.seconds > 0)) return v;
    v.value = double(report.totals.screens) / report.seconds;
    v.shown = Format("%.1f/s", v.value);
  }
  v.measured = true;
  switch (t.op) {
    case ThresholdOp::kBelow:
      v.passed = v.value < t.limit;
      break;
    case ThresholdOp::kAtMost:
      v.passed = v.value <= t.limit;
      break;
    case ThresholdOp::kAbove:
      v.passed = v.value > t.limit;
      break;
    case ThresholdOp::kAtLeast:
      v.passed = v.value >= t.limit;
      break;
  }
  return v;
}

void JudgeThresholds(const std::vector<std::string>& texts, LoadReport* report) {
  report->thresholds.clear();
  for (const std::string& text : texts) {
    Threshold t;
    std::string error;
    if (ParseThreshold(text, &t, &error)) {
      report->thresholds.push_back(Judge(t, *report));
    } else {
      ThresholdVerdict v;
      v.threshold = text;
      v.shown = error;
      report->thresholds.push_back(std::move(v));
    }
  }
}

}  // namespace marl
