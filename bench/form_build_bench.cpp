// What building a form costs as its fields grow: the time per field must
// stay flat from ten fields to four hundred.
#include <benchmark/benchmark.h>

#include <string>

#include "base/host_record.h"
#include "command_record.h"
#include "forms/form.h"
#include "terminal_fixture.h"

namespace {

void BM_BuildForm(benchmark::State& state) {
  marl::testing::TestTerminal tt(50, 80);
  const int64_t fields = state.range(0);
  std::string text = "\\";
  for (int64_t i = 0; i < fields; ++i) text += "Q:\\N12\\";
  for (auto _ : state) {
    const marl::testing::BuiltForm built = marl::testing::BuildFieldForm(tt.t(), text);
    const bool whole = built.form != nullptr && built.form->field_count == fields;
    marl::FreeHostRecord(tt.t(), built.record);
    if (!whole) return state.SkipWithError("the form lost fields");
  }
  state.counters["fields"] = double(fields);
}
BENCHMARK(BM_BuildForm)->Arg(1)->Arg(10)->Arg(100)->Arg(400);

}  // namespace

BENCHMARK_MAIN();
