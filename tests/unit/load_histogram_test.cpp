// The load reports' histograms: where values fall, how far a reported
// percentile may be from the true one, and that merging is exact.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "ui/load/histogram.h"

namespace marl {
namespace {

TEST(Histogram, ValuesFallInTheBucketOfTheirRoundLowerEdge) {
  struct Case {
    uint64_t us;
    uint64_t low;
  };
  const Case cases[] = {
      {0, 0},
      {999, 999},                 // the last one-microsecond bucket
      {1000, 1000},               // 1 ms: the first bucket 10 us wide
      {1009, 1000},               //
      {1010, 1010},               //
      {9999, 9990},               //
      {10000, 10000},             // 10 ms: 100 us wide
      {50000, 50000},             // a whole millisecond is an edge
      {99999, 99900},             //
      {100000, 100000},           // 100 ms: 1 ms wide
      {999999, 999000},           //
      {1000000, 1000000},         // 1 s: 10 ms wide
      {9999999999, 9990000000},   // the top bucket
      {10000000000, 9990000000},  // beyond the top: the top
      {UINT64_MAX, 9990000000},   //
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Histogram::BucketLow(Histogram::BucketOf(c.us)), c.low) << c.us;
  }
  EXPECT_EQ(Histogram::BucketOf(UINT64_MAX), Histogram::kBuckets - 1);
}

TEST(Histogram, EveryBucketIsAtMostOnePercentOfItsLowerEdgeWide) {
  // Each bucket's edge maps back to it, and buckets follow one another.
  for (uint32_t i = 0; i < Histogram::kBuckets; ++i) {
    ASSERT_EQ(Histogram::BucketOf(Histogram::BucketLow(i)), i) << i;
    if (i + 1 < Histogram::kBuckets) {
      const uint64_t low = Histogram::BucketLow(i);
      const uint64_t next = Histogram::BucketLow(i + 1);
      ASSERT_GT(next, low) << i;
      ASSERT_LE(double(next - low), std::max(1.0, 0.01 * double(low))) << i;
      ASSERT_EQ(Histogram::BucketOf(next - 1), i) << i;
    }
  }
}

TEST(Histogram, AReportedPercentileIsNeverAboveTheTrueOneNorOnePercentBelow) {
  std::mt19937_64 random(7);
  std::lognormal_distribution<double> times(std::log(20000.0), 1.5);
  for (int round = 0; round < 20; ++round) {
    Histogram h;
    std::vector<uint64_t> samples(1 + random() % 3000);
    for (uint64_t& s : samples) {
      s = uint64_t(std::min(times(random), 9e9));
      h.Add(s);
    }
    std::sort(samples.begin(), samples.end());
    for (const double q : {0.001, 0.5, 0.9, 0.95, 0.99, 0.999, 1.0}) {
      const uint64_t truth = samples[NearestRank(q, samples.size()) - 1];
      const uint64_t shown = h.ValueAt(q);
      EXPECT_LE(shown, truth) << q;
      EXPECT_LT(double(truth - shown), 0.01 * double(truth) + 1e-9) << q << " " << truth;
    }
    EXPECT_EQ(h.max(), samples.back());
    EXPECT_EQ(h.min(), samples.front());
  }
}

TEST(Histogram, PercentilesTakeTheNearestRankRoundingUp) {
  struct Case {
    std::vector<uint64_t> samples_us;
    double q;
    uint64_t expected_us;
  };
  std::vector<uint64_t> one_to_hundred_ms;
  for (uint64_t ms = 1; ms <= 100; ++ms) one_to_hundred_ms.push_back(ms * 1000);
  const Case cases[] = {
      {one_to_hundred_ms, 0.95, 95000},
      {one_to_hundred_ms, 0.999, 100000},  // rank 99.9 rounds up to 100
      {one_to_hundred_ms, 0.001, 1000},
      {{1009, 1010}, 0.5, 1009},        // in the smallest's bucket: the smallest itself
      {{1000, 1009, 1010}, 0.5, 1000},  // two in one bucket: its edge
      {{1000, 1009, 1010}, 1.0, 1010},  //
      {{1005, 1005, 1005}, 0.5, 1005},  // one value only: exact
      {{999, 1000}, 0.5, 999},          // the edge between exact and 10 us buckets
      {{99999, 100000}, 1.0, 100000},   //
      {{7}, 0.99, 7},                   //
      {{}, 0.5, 0},                     // nothing yet
  };
  for (const Case& c : cases) {
    Histogram h;
    for (const uint64_t s : c.samples_us) h.Add(s);
    EXPECT_EQ(h.ValueAt(c.q), c.expected_us) << c.q << " of " << c.samples_us.size();
  }
}

TEST(Histogram, NearestRankForgivesTheLastBitOfTheProduct) {
  struct Case {
    double q;
    uint64_t count;
    uint64_t rank;
  };
  const Case cases[] = {
      {0.5, 100, 50}, {0.9, 100, 90},    {0.99, 100, 99}, {0.999, 1000, 999}, {0.3, 10, 3},
      {0.5, 3, 2},    {0.999, 100, 100}, {0.5, 1, 1},     {0, 10, 1},         {1, 10, 10},
      {0.7, 10, 7},   {0.1, 10, 1},      {0.5, 0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(NearestRank(c.q, c.count), c.rank) << c.q << " " << c.count;
}

TEST(Histogram, MergingIsTheHistogramOfAllTheSamples) {
  struct Case {
    std::vector<uint64_t> a;
    std::vector<uint64_t> b;
  };
  const Case cases[] = {
      {{1, 2, 3}, {1000, 50000, 123456789}},    // apart
      {{1500, 1501, 77000}, {1502, 77001, 5}},  // sharing buckets
      {{}, {42, 43}},                           // into an empty one
      {{42, 43}, {}},                           //
      {{UINT64_MAX}, {0}},                      // the extremes
  };
  for (const Case& c : cases) {
    Histogram a, b, both;
    for (const uint64_t s : c.a) a.Add(s), both.Add(s);
    for (const uint64_t s : c.b) b.Add(s), both.Add(s);
    Histogram ab = a;
    ab.Merge(b);
    Histogram ba = b;
    ba.Merge(a);
    EXPECT_TRUE(ab == both);
    EXPECT_TRUE(ba == both);
    EXPECT_EQ(ab.count(), c.a.size() + c.b.size());
  }
}

TEST(Histogram, RestoringChecksThatThePartsFitTogether) {
  Histogram original;
  for (const uint64_t s : {1000, 1004, 2500, 2501, 90000}) original.Add(s);
  std::vector<std::pair<uint64_t, uint64_t>> buckets;
  for (const HistogramBucket& b : original.buckets()) {
    buckets.emplace_back(Histogram::BucketLow(b.index), b.count);
  }
  Histogram back;
  std::string error;
  ASSERT_TRUE(Histogram::Restore(buckets, 1000, 90000, original.sum(), &back, &error)) << error;
  EXPECT_TRUE(back == original);

  struct Case {
    std::vector<std::pair<uint64_t, uint64_t>> buckets;
    uint64_t min, max;
    const char* says;
  };
  const Case bad[] = {
      {{{1005, 1}}, 1005, 1005, "not a bucket's lower edge"},
      {{{2500, 1}, {1000, 1}}, 1000, 2500, "out of order"},
      {{{1000, 1}, {1000, 1}}, 1000, 1000, "out of order"},
      {{{1000, 0}}, 1000, 1000, "empty"},
      {{{1000, 1}, {2500, 1}}, 2500, 2500, "first and last"},
      {{{1000, 1}}, 1000, 90000, "first and last"},
      {{{1000, 1}}, 1009, 1001, "first and last"},  // smallest above largest
  };
  for (const Case& c : bad) {
    EXPECT_FALSE(Histogram::Restore(c.buckets, c.min, c.max, 0, &back, &error)) << c.says;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace marl
