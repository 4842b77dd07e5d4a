#include "ui/load/histogram.h"

#include <algorithm>
#include <cmath>

namespace marl {

namespace {

constexpr uint64_t kExact = 1000;  // below: a bucket a microsecond
constexpr uint32_t kPerDecade = 900;
constexpr int kFirstDecade = 3;
constexpr int kDecades = 7;

constexpr uint64_t Power10(int k) {
  uint64_t p = 1;
  for (int i = 0; i < k; ++i) p *= 10;
  return p;
}

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

}  // namespace

uint32_t Histogram::BucketOf(uint64_t us) {
  if (us < kExact) return uint32_t(us);
  int k = kFirstDecade;
  while (k < kFirstDecade + kDecades - 1 && us >= Power10(k + 1)) ++k;
  const uint64_t width = Power10(k - 2);
  const uint64_t step = std::min<uint64_t>(us / width, 999);  // past the top: the top bucket
  return uint32_t(kExact + uint64_t(k - kFirstDecade) * kPerDecade + (step - 100));
}

uint64_t Histogram::BucketLow(uint32_t index) {
  if (index < kExact) return index;
  const uint32_t j = std::min(index, kBuckets - 1) - uint32_t(kExact);
  const int k = kFirstDecade + int(j / kPerDecade);
  return (100 + j % kPerDecade) * Power10(k - 2);
}

void Histogram::Add(uint64_t us, uint64_t count) {
  if (count == 0) return;
  const uint32_t index = BucketOf(us);
  auto at = std::lower_bound(buckets_.begin(), buckets_.end(), index,
                             [](const HistogramBucket& b, uint32_t i) { return b.index < i; });
  if (at == buckets_.end() || at->index != index) at = buckets_.insert(at, {index, 0});
  at->count = SaturatingAdd(at->count, count);
  count_ = SaturatingAdd(count_, count);
  min_ = std::min(min_, us);
  max_ = std::max(max_, us);
  sum_ = SaturatingAdd(sum_, us > UINT64_MAX / count ? UINT64_MAX : us * count);
}

void Histogram::Merge(const Histogram& other) {
  if (other.count_ == 0) return;
  std::vector<HistogramBucket> merged;
  merged.reserve(buckets_.size() + other.buckets_.size());
  auto a = buckets_.begin();
  auto b = other.buckets_.begin();
  while (a != buckets_.end() || b != other.buckets_.end()) {
    if (b == other.buckets_.end() || (a != buckets_.end() && a->index < b->index)) {
      merged.push_back(*a++);
    } else if (a == buckets_.end() || b->index < a->index) {
      merged.push_back(*b++);
    } else {
      merged.push_back({a->index, SaturatingAdd(a->count, b->count)});
      ++a;
      ++b;
    }
  }
  buckets_ = std::move(merged);
  count_ = SaturatingAdd(count_, other.count_);
  min_ = std::min(min_, other.min_);
  max_ = std::max(max_, other.max_);
  sum_ = SaturatingAdd(sum_, other.sum_);
}

void Histogram::MergeDense(const std::vector<uint64_t>& dense, uint64_t min_us, uint64_t max_us,
                           uint64_t sum_us) {
  Histogram h;
  for (uint32_t i = 0; i < dense.size() && i < kBuckets; ++i) {
    if (dense[i] == 0) continue;
    h.buckets_.push_back({i, dense[i]});
    h.count_ = SaturatingAdd(h.count_, dense[i]);
  }
  if (h.count_ == 0) return;
  h.min_ = min_us;
  h.max_ = max_us;
  h.sum_ = sum_us;
  Merge(h);
}

bool Histogram::Restore(const std::vector<std::pair<uint64_t, uint64_t>>& buckets, uint64_t min_us,
                        uint64_t max_us, uint64_t sum_us, Histogram* out, std::string* error) {
  Histogram h;
  for (const auto& [low, count] : buckets) {
    const uint32_t index = BucketOf(low);
    if (BucketLow(index) != low) {
      *error = "bucket " + std::to_string(low) + " is not a bucket's lower edge";
      return false;
    }
    if (count == 0 || (!h.buckets_.empty() && h.buckets_.back().index >= index)) {
      *error = "buckets out of order, repeated or empty at " + std::to_string(low);
      return false;
    }
    h.buckets_.push_back({index, count});
    h.count_ = SaturatingAdd(h.count_, count);
  }
  if (h.count_ > 0) {
    if (min_us > max_us || BucketOf(min_us) != h.buckets_.front().index ||
        BucketOf(max_us) != h.buckets_.back().index) {
      *error = "its smallest and largest times do not fall in its first and last buckets";
      return false;
    }
    h.min_ = min_us;
    h.max_ = max_us;
    h.sum_ = sum_us;
  }
  *out = std::move(h);
  return true;
}

uint64_t Histogram::ValueAt(double q) const {
  if (count_ == 0) return 0;
  const uint64_t rank = NearestRank(q, count_);
  uint64_t seen = 0;
  for (const HistogramBucket& b : buckets_) {
    seen += b.count;
    if (seen >= rank) return std::min(std::max(BucketLow(b.index), min_), max_);
  }
  return max_;
}

bool Histogram::operator==(const Histogram& other) const {
  if (count_ != other.count_ || min() != other.min() || max_ != other.max_ || sum_ != other.sum_ ||
      buckets_.size() != other.buckets_.size()) {
    return false;
  }
  for (size_t i = 0; i < buckets_.size(); ++i) {
    if (buckets_[i].index != other.buckets_[i].index ||
        buckets_[i].count != other.buckets_[i].count) {
      return false;
    }
  }
  return true;
}

uint64_t NearestRank(double q, uint64_t count) {
  if (count == 0) return 0;
  if (!(q > 0)) return 1;
  if (q >= 1) return count;
  const double x = q * double(count);
  double whole = std::floor(x);
  if (x - whole > 1e-9 * std::max(1.0, x)) whole += 1;
  return std::clamp<uint64_t>(uint64_t(whole), 1, count);
}

}  // namespace marl
