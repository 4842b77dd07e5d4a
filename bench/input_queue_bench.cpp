// Keys typed while the terminal waits for the host, queued and then replayed
// into the host's next screen. Adding and taking a key are meant to be
// constant time: the time per key at 100,000 queued keys should stay within
// twice the time at 10,000. The baseline is the same count through a
// std::deque, the floor any queue can approach.
#include <benchmark/benchmark.h>

#include <deque>
#include <string>

#include "base/session.h"
#include "host_records.h"
#include "input/input_queue.h"
#include "input/key_processor.h"
#include "terminal_fixture.h"

namespace {

void BM_DequeBaseline(benchmark::State& state) {
  const int64_t keys = state.range(0);
  for (auto _ : state) {
    std::deque<int32_t> queue;
    for (int64_t i = 0; i < keys; ++i) queue.push_back(int32_t('a' + i % 26));
    int64_t sum = 0;
    while (!queue.empty()) {
      sum += queue.front();
      queue.pop_front();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * keys);
}
BENCHMARK(BM_DequeBaseline)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A character and Backspace in turn on a one-field form: each key's own work is small and the
// same, so what grows with the count is the queue's.
void BM_QueueAndReplay(benchmark::State& state) {
  const int64_t keys = state.range(0);
  marl::testing::TestTerminal tt(16, 20);
  const std::string form = marl::testing::Command("\\1T\\Item:\\@        \\");
  tt.Host(form);
  for (auto _ : state) {
    marl::SetWaitingForHost(tt.t(), true);
    for (int64_t i = 0; i < keys; ++i)
      marl::QueueKeystroke(tt.t(), i % 2 ? marl::kKeyBackspace : 'x');
    tt.Host(form);  // replays the whole queue
    if (tt.t().input.count != 0) state.SkipWithError("keys left in the queue");
    tt.platform().TakeEvents();
    tt.Sent();
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * keys);
}
BENCHMARK(BM_QueueAndReplay)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
