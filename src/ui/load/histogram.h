// Response times in microseconds, kept in log-linear buckets that merge
// exactly: two histograms added bucket by bucket are the histogram of both
// sets of samples, so the percentiles of several machines' runs come from
// their combined buckets, never from averaged percentiles.
//
// The layout ("us-decimal-900"): below 1 ms a bucket for every microsecond;
// from there each decade [10^k, 10^(k+1)) is cut into 900 buckets 10^(k-2)
// wide, up to 10^10 us (about 2 h 47 min; longer times share the top
// bucket). A bucket is at most 1% of its lower edge wide, and its lower edge
// is a round number: every whole millisecond up to 1 s is an edge, so such
// samples come back exactly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace marl {

constexpr const char* kHistogramLayout = "us-decimal-900";

struct HistogramBucket {
  uint32_t index = 0;
  uint64_t count = 0;
};

class Histogram {
 public:
  static constexpr uint32_t kBuckets = 1000 + 7 * 900;

  static uint32_t BucketOf(uint64_t us);
  // The smallest value of the bucket.
  static uint64_t BucketLow(uint32_t index);

  void Add(uint64_t us, uint64_t count = 1);
  void Merge(const Histogram& other);
  // Adds counts kept a bucket each (`dense[i]` for bucket i) with the exact
  // extremes and sum of their samples.
  void MergeDense(const std::vector<uint64_t>& dense, uint64_t min_us, uint64_t max_us,
                  uint64_t sum_us);

  // A histogram as a report keeps it: buckets by their lower edge, in
  // increasing order, and the exact extremes and sum. False with `error`
  // set when the parts do not fit together.
  static bool Restore(const std::vector<std::pair<uint64_t, uint64_t>>& buckets, uint64_t min_us,
                      uint64_t max_us, uint64_t sum_us, Histogram* out, std::string* error);

  uint64_t count() const { return count_; }
  uint64_t min() const { return count_ == 0 ? 0 : min_; }
  uint64_t max() const { return max_; }
  uint64_t sum() const { return sum_; }
  double MeanUs() const { return count_ == 0 ? 0 : double(sum_) / double(count_); }
  // The sample of nearest rank ceil(q * count), as its bucket's lower edge
  // (or the smallest sample when that is higher): never above the true
  // value and less than 1% below it. 0 when empty.
  uint64_t ValueAt(double q) const;
  double QuantileMs(double q) const { return double(ValueAt(q)) / 1000.0; }
  // The non-empty buckets, by index.
  const std::vector<HistogramBucket>& buckets() const { return buckets_; }

  bool operator==(const Histogram& other) const;

 private:
  std::vector<HistogramBucket> buckets_;  // sparse: a run's samples fill few buckets
  uint64_t count_ = 0;
  uint64_t min_ = UINT64_MAX;
  uint64_t max_ = 0;
  uint64_t sum_ = 0;
};

// The nearest rank of the fraction `q` of `count` samples, from 1: ceil(q *
// count), forgiving the last bit of the product (0.9 * 100 is 90, not 91).
uint64_t NearestRank(double q, uint64_t count);

}  // namespace marl
