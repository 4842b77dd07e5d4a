// What keeping the window's pixels costs: draw-text requests per second and
// an 80 x 25 repaint, each painted with the glyph atlas beside the same work
// on cells only (the baseline, measured in the same run).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "screen/display.h"
#include "terminal_fixture.h"
#include "ui/core/run_program.h"
#include "ui/pixels/glyph_atlas.h"

namespace {

std::shared_ptr<const marl::GlyphAtlas> Glyphs(benchmark::State& state) {
  std::string error;
  auto atlas = marl::LoadGlyphs(&error);
  if (atlas == nullptr) state.SkipWithError(error.c_str());
  return atlas;
}

// One field's worth of text, as form drawing sends it.
void DrawTexts(benchmark::State& state, bool painted) {
  marl::testing::TestTerminal tt(25, 80);
  if (painted) {
    auto atlas = Glyphs(state);
    if (atlas == nullptr) return;
    tt.platform().KeepPixels(atlas, 1);
  }
  marl::TextDraw draw;
  draw.text = "Item: ABC-123 Qty 12";
  int32_t row = 0;
  for (auto _ : state) {
    draw.row = row;
    draw.rect = {0, row * 13, 20 * 11, row * 13 + 13};
    draw.reverse = (row & 1) != 0;
    benchmark::DoNotOptimize(tt.platform().DrawText(draw));
    row = (row + 1) % 25;
  }
  state.SetItemsProcessed(int64_t(state.iterations()));
}

void BM_DrawTextCellsOnly(benchmark::State& state) {
  DrawTexts(state, false);
}
BENCHMARK(BM_DrawTextCellsOnly);

void BM_DrawTextPainted(benchmark::State& state) {
  DrawTexts(state, true);
}
BENCHMARK(BM_DrawTextPainted);

void Repaint(benchmark::State& state, bool painted) {
  marl::testing::TestTerminal tt(25, 80);
  if (painted) {
    auto atlas = Glyphs(state);
    if (atlas == nullptr) return;
    tt.platform().KeepPixels(atlas, 1);
  }
  for (auto _ : state) marl::RepaintScreen(tt.t());
}

void BM_Repaint80x25CellsOnly(benchmark::State& state) {
  Repaint(state, false);
}
BENCHMARK(BM_Repaint80x25CellsOnly)->Unit(benchmark::kMicrosecond);

void BM_Repaint80x25Painted(benchmark::State& state) {
  Repaint(state, true);
}
BENCHMARK(BM_Repaint80x25Painted)->Unit(benchmark::kMicrosecond);

// What the window adds per frame: the picture with its caret, ready to show.
void BM_Frame80x25(benchmark::State& state) {
  marl::testing::TestTerminal tt(25, 80);
  auto atlas = Glyphs(state);
  if (atlas == nullptr) return;
  tt.platform().KeepPixels(atlas, 1);
  for (auto _ : state) benchmark::DoNotOptimize(tt.platform().MainPicture(true));
}
BENCHMARK(BM_Frame80x25)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
