// What keeping a load run's response times costs each answered reply: the
// recorder of a worker (the overall histogram and the one of the current
// wall-clock second, the clock read included), beside the plain array of
// counters it replaced, measured in the same run; and merging two runs'
// histograms, beside copying one.
//
// Target: recording at most 150 ns a sample, so that 100,000 screens a
// second cost a worker under 2% of a processor.
#include <benchmark/benchmark.h>

#include <array>
#include <bit>
#include <cstdint>
#include <random>
#include <vector>

#include "ui/load/histogram.h"
#include "ui/load/load_report.h"

namespace {

// Response times as a busy host gives them: a few ms, a long tail.
std::vector<uint64_t> Times(size_t n) {
  std::mt19937_64 random(11);
  std::lognormal_distribution<double> ms(std::log(4000.0), 1.0);
  std::vector<uint64_t> out(n);
  for (uint64_t& t : out) t = uint64_t(std::min(ms(random), 6e7));
  return out;
}

void BM_RecordResponse(benchmark::State& state) {
  const std::vector<uint64_t> times = Times(1 << 16);
  marl::ResponseTimes recorder;
  size_t i = 0;
  for (auto _ : state) {
    recorder.Add(times[i++ & 0xFFFF]);
  }
  benchmark::DoNotOptimize(recorder.count());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordResponse);

// The baseline: one counter a bucket in a fixed array, about 3% wide, no
// clock and no seconds.
void BM_RecordResponseBaselineArray(benchmark::State& state) {
  const std::vector<uint64_t> times = Times(1 << 16);
  std::array<uint32_t, 64 + 40 * 32> buckets{};
  size_t i = 0;
  for (auto _ : state) {
    const uint64_t us = times[i++ & 0xFFFF];
    size_t bucket = us;
    if (us >= 64) {
      const int exponent = std::bit_width(us) - 1;
      bucket = 64 + size_t(exponent - 6) * 32 + (size_t(us >> (exponent - 5)) & 31);
    }
    ++buckets[std::min(bucket, buckets.size() - 1)];
  }
  benchmark::DoNotOptimize(buckets.data());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordResponseBaselineArray);

void BM_MergeHistograms(benchmark::State& state) {
  marl::Histogram a, b;
  for (const uint64_t t : Times(100000)) a.Add(t);
  for (const uint64_t t : Times(100000)) b.Add(t + 7);
  for (auto _ : state) {
    marl::Histogram merged = a;
    merged.Merge(b);
    benchmark::DoNotOptimize(merged.count());
  }
  state.counters["buckets"] = double(a.buckets().size());
}
BENCHMARK(BM_MergeHistograms);

void BM_MergeHistogramsBaselineCopy(benchmark::State& state) {
  marl::Histogram a;
  for (const uint64_t t : Times(100000)) a.Add(t);
  for (auto _ : state) {
    marl::Histogram copy = a;
    benchmark::DoNotOptimize(copy.count());
  }
}
BENCHMARK(BM_MergeHistogramsBaselineCopy);

}  // namespace

BENCHMARK_MAIN();
