// Thresholds as people write them, judged on a report; shards' ranges of
// terminals; the start time of sharded runs.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ui/load/shard.h"
#include "ui/load/thresholds.h"

namespace marl {
namespace {

TEST(Thresholds, ParseAsWrittenOnACommandLine) {
  struct Case {
    const char* text;
    const char* name;
    ThresholdMetric metric;
    double quantile;
    ThresholdOp op;
    double limit;
  };
  using M = ThresholdMetric;
  using O = ThresholdOp;
  const Case cases[] = {
      {"p99<200ms", "", M::kQuantile, 0.99, O::kBelow, 200},
      {"p99.9 <= 1.5s", "", M::kQuantile, 0.999, O::kAtMost, 1500},
      {"median<800us", "", M::kQuantile, 0.5, O::kBelow, 0.8},
      {"p50<20", "", M::kQuantile, 0.5, O::kBelow, 20},  // ms when no unit
      {"p100<1s", "", M::kQuantile, 1, O::kBelow, 1000},
      {"errors<0.1%", "", M::kErrorShare, 0, O::kBelow, 0.1},
      {"errors<=3", "", M::kErrors, 0, O::kAtMost, 3},
      {"sign-in:p95<50ms", "sign-in", M::kQuantile, 0.95, O::kBelow, 50},
      {"line 12: Enter:max < 2s", "line 12: Enter", M::kMax, 0, O::kBelow, 2000},
      {"screens/s>500", "", M::kScreensPerSecond, 0, O::kAbove, 500},
      {" count >= 1000 ", "", M::kCount, 0, O::kAtLeast, 1000},
      {"mean<5ms", "", M::kMean, 0, O::kBelow, 5},
  };
  for (const Case& c : cases) {
    Threshold t;
    std::string error;
    ASSERT_TRUE(ParseThreshold(c.text, &t, &error)) << c.text << ": " << error;
    EXPECT_EQ(t.name, c.name) << c.text;
    EXPECT_EQ(t.metric, c.metric) << c.text;
    EXPECT_DOUBLE_EQ(t.quantile, c.quantile) << c.text;
    EXPECT_EQ(t.op, c.op) << c.text;
    EXPECT_DOUBLE_EQ(t.limit, c.limit) << c.text;
  }
}

TEST(Thresholds, ThatDoNotParseSayWhy) {
  struct Case {
    const char* text;
    const char* says;
  };
  const Case cases[] = {
      {"", "needs <, <=, > or >="},         {"p99 200ms", "needs <, <=, > or >="},
      {"p99<", "expected a number"},        {"p99<<200", "expected a number"},
      {"p99<-1ms", "expected a number"},    {"p99<200 ms extra", "unknown unit"},
      {"p99<200h", "unknown unit"},         {"p0<1ms", "unknown measure"},
      {"p101<1ms", "unknown measure"},      {"p9x<1ms", "unknown measure"},
      {"latency<1ms", "unknown measure"},   {":p99<1ms", "name before ':' is empty"},
      {"errors<120%", "above 100%"},        {"screens/s>500ms", "no unit"},
      {"sign-in:screens/s>5", "whole run"}, {"p99<1e999ms", "expected a number"},
  };
  for (const Case& c : cases) {
    Threshold t;
    std::string error;
    EXPECT_FALSE(ParseThreshold(c.text, &t, &error)) << c.text;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.text << ": " << error;
    EXPECT_NE(error.find(std::string("--threshold \"")), std::string::npos) << error;
  }
}

TEST(Thresholds, AreJudgedOnTheReport) {
  LoadReport r;
  r.seconds = 10;
  r.totals.screens = 5000;
  r.totals.errors[size_t(LoadError::kWaitTimeout)] = 2;
  // 1 to 1000 ms, two of them signing in.
  for (uint64_t ms = 1; ms <= 1000; ++ms) {
    r.response.AddAt(0, ms * 1000, ms == 30 || ms == 70 ? "sign-in" : "");
  }
  struct Case {
    const char* text;
    bool passed;
    const char* shown;
  };
  const Case cases[] = {
      {"p99<990ms", false, "990.00 ms"},  // nearest rank of 1000 samples
      {"p99<=990ms", true, "990.00 ms"},
      {"median>0.4s", true, "500.00 ms"},
      {"errors<0.1%", false, "0.2%"},  // 2 of 1000 answered and 2 failed
      {"errors<0.3%", true, "0.2%"},
      {"errors<3", true, "2 errors"},
      {"screens/s>500", false, "500.0/s"},
      {"screens/s>=500", true, "500.0/s"},
      {"count>=1000", true, "1000"},
      {"sign-in:p50<50ms", true, "30.00 ms"},
      {"sign-in:max<50ms", false, "70.00 ms"},
      {"sign-out:p50<50ms", false, "no transaction named sign-out"},
  };
  for (const Case& c : cases) {
    Threshold t;
    std::string error;
    ASSERT_TRUE(ParseThreshold(c.text, &t, &error)) << error;
    const ThresholdVerdict v = Judge(t, r);
    EXPECT_EQ(v.passed, c.passed) << c.text;
    EXPECT_EQ(v.shown, c.shown) << c.text;
  }
  // Nothing answered: a time cannot pass.
  EXPECT_FALSE(
      Judge(Threshold{"p99<1ms", "", ThresholdMetric::kQuantile, 0.99}, LoadReport()).passed);
}

TEST(Thresholds, DecideTheExitStatus) {
  struct Case {
    uint64_t errors;
    std::vector<std::string> thresholds;
    int status;
  };
  const Case cases[] = {
      {0, {}, 0},
      {1, {}, 2},              // a failed terminal, as always
      {0, {"p99<1ms"}, 3},     // a failed threshold
      {1, {"p99<1ms"}, 3},     // the threshold's status comes first
      {1, {"errors<50%"}, 2},  // a threshold on errors passes; the terminal failed
      {1, {"errors<10%"}, 3},  // and fails: its own status
      {0, {"p99<<1"}, 3},      // unparsable (a merged report's): failed
  };
  for (const Case& c : cases) {
    LoadReport r;
    r.totals.errors[0] = c.errors;
    r.response.AddAt(0, 5000);
    r.response.AddAt(0, 5000, "sign-in");
    JudgeThresholds(c.thresholds, &r);
    EXPECT_EQ(r.Status(), c.status) << c.errors << " " << c.thresholds.size();
  }
}

TEST(Shards, ParseIFromOneToN) {
  struct Case {
    const char* text;
    bool ok;
  };
  const Case cases[] = {
      {"1/4", true},   {"4/4", true},      {"1/1", true},   {"0/4", false},
      {"5/4", false},  {"x/y", false},     {"1/0", false},  {"1/", false},
      {"/4", false},   {"1/4/2", false},   {"-1/4", false}, {" 1/4", false},
      {"1/4 ", false}, {"2/65001", false}, {"", false},     {"99999999999999999999/4", false},
  };
  for (const Case& c : cases) {
    Shard s;
    std::string error;
    EXPECT_EQ(ParseShard(c.text, &s, &error), c.ok) << c.text;
    if (!c.ok) {
      EXPECT_NE(error.find("--shard needs I/N"), std::string::npos) << error;
    }
  }
}

TEST(Shards, SplitTheTerminalsIntoContiguousRangesThatCoverThemOnce) {
  struct Case {
    int64_t terminals, shards, index, first, last;
  };
  const Case cases[] = {
      {10, 3, 1, 1, 3},  {10, 3, 2, 4, 6},
      {10, 3, 3, 7, 10}, {10, 1, 1, 1, 10},
      {3, 5, 1, 1, 0},  // more shards than terminals: some get none
      {3, 5, 2, 1, 1},   {65000, 2, 2, 32501, 65000},
  };
  for (const Case& c : cases) {
    int64_t first = 0, last = 0;
    ShardRange(Shard{c.index, c.shards}, c.terminals, &first, &last);
    EXPECT_EQ(first, c.first) << c.terminals << " " << c.index << "/" << c.shards;
    EXPECT_EQ(last, c.last) << c.terminals << " " << c.index << "/" << c.shards;
  }
  for (int64_t terminals = 1; terminals <= 40; ++terminals) {
    for (int64_t shards = 1; shards <= terminals; ++shards) {
      int64_t next = 1, smallest = terminals, largest = 0;
      for (int64_t i = 1; i <= shards; ++i) {
        int64_t first = 0, last = 0;
        ShardRange(Shard{i, shards}, terminals, &first, &last);
        ASSERT_EQ(first, next) << terminals << " " << i << "/" << shards;
        smallest = std::min(smallest, last - first + 1);
        largest = std::max(largest, last - first + 1);
        next = last + 1;
      }
      ASSERT_EQ(next, terminals + 1);
      ASSERT_LE(largest - smallest, 1);
    }
  }
}

TEST(Shards, StartAtTakesEpochSecondsOrAnIsoTime) {
  struct Case {
    const char* text;
    bool ok;
    double seconds;
  };
  const Case cases[] = {
      {"1796576400", true, 1796576400},
      {"1796576400.5", true, 1796576400.5},
      {"2026-12-06T17:00:00Z", true, 1796576400},
      {"2026-12-06T17:00:00.25Z", true, 1796576400.25},
      {"2026-12-06 17:00:00", true, 1796576400},
      {"2026-12-06T17:00:00+00:00", true, 1796576400},
      {"2024-02-29T00:00:00Z", true, 1709164800},
      {"2026-02-29T00:00:00Z", false, 0},  // no such day
      {"2026-12-06T25:00:00Z", false, 0},
      {"2026-12-06T17:00Z", false, 0},
      {"2026-12-06T17:00:00+02:00", false, 0},  // UTC only
      {"2026-12-06T17:00:00.Z", false, 0},
      {"yesterday", false, 0},
      {"", false, 0},
      {"-5", false, 0},
      {"1e400", false, 0},
  };
  for (const Case& c : cases) {
    double seconds = 0;
    std::string error;
    EXPECT_EQ(ParseStartAt(c.text, &seconds, &error), c.ok) << c.text << ": " << error;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(seconds, c.seconds) << c.text;
    }
  }
}

}  // namespace
}  // namespace marl
