// How fast host chunks become dispatched records. The baseline copies the
// same bytes into a buffer of the same size: the floor that assembly can
// approach, measured in the same run on the same machine.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "base/terminal_config.h"
#include "commands/records.h"
#include "screen/display.h"
#include "terminal_fixture.h"

namespace {

// A receive-sized chunk of terminal-parameter records: they need no screen
// and send nothing, so the cost is assembly, splitting, record lifetime and
// dispatch.
std::string Chunk() {
  std::string chunk;
  while (chunk.size() < 3900) chunk += "\x86 \x09\x04\x01\x01@ABCDEFGHIJ\n";
  return chunk;
}

void BM_CopyBaseline(benchmark::State& state) {
  const std::string chunk = Chunk();
  static char buffer[4096];
  for (auto _ : state) {
    std::memcpy(buffer, chunk.data(), chunk.size());
    benchmark::DoNotOptimize(buffer);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(chunk.size()));
}
BENCHMARK(BM_CopyBaseline);

void BM_ProcessHostData(benchmark::State& state) {
  marl::testing::TestTerminal tt(16, 20);
  marl::SetStatusReplies(tt.t(), 0);
  const std::string chunk = Chunk();
  const int32_t length = int32_t(chunk.size());
  for (auto _ : state) {
    marl::ProcessHostData(tt.t(), chunk.data(), &length, 0);
    tt.platform().TakeEvents();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(chunk.size()));
}
BENCHMARK(BM_ProcessHostData);

void BM_RepaintScreen(benchmark::State& state) {
  marl::testing::TestTerminal tt(int32_t(state.range(0)), 80);
  for (auto _ : state) marl::RepaintScreen(tt.t());
}
BENCHMARK(BM_RepaintScreen)->Arg(16)->Arg(50);

}  // namespace

BENCHMARK_MAIN();
