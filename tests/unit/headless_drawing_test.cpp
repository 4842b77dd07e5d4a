// The headless window's drawing: its cells, and pixels painted only when
// looked at, which are the pixels that painting every request at once gives.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "host_records.h"
#include "platform/messages.h"
#include "terminal_fixture.h"
#include "ui/core/core_platform.h"
#include "ui/core/run_program.h"
#include "ui/pixels/glyph_atlas.h"
#include "ui/pixels/lazy_picture.h"

namespace marl::testing {
namespace {

std::shared_ptr<const GlyphAtlas> Glyphs() {
  std::string error;
  return LoadGlyphs(&error);
}

// Draws of every kind, overlapping, some partly or wholly outside.
TextDraw RandomDraw(std::mt19937& random, std::string* text) {
  const auto pick = [&random](int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(random);
  };
  text->assign(size_t(pick(0, 30)), 'A');
  for (char& c : *text) c = char(pick(0, 255));
  TextDraw draw;
  const int32_t left = pick(-20, 230);
  const int32_t top = pick(-20, 220);
  draw.rect = {left, top, left + pick(0, 250), top + pick(0, 30)};
  draw.cell_width = pick(0, 1) ? 11 : 10;
  draw.font = CellFont(pick(0, 3));
  draw.reverse = pick(0, 1) != 0;
  draw.text = *text;
  return draw;
}

TEST(LazyPicture, PaintsWhatEagerPaintingPaints) {
  const auto atlas = Glyphs();
  if (atlas == nullptr) GTEST_SKIP() << "no glyphs";
  std::mt19937 random(12);
  LazyPicture lazy;
  Picture eager;
  lazy.Reset(220, 208);
  eager.Reset(220, 208);
  std::string text;
  // Past the most requests that may wait, so some are painted on the way.
  for (int i = 0; i < 9000; ++i) {
    if (i == 4900 || i == 7000) {
      lazy.Erase();
      eager.Reset(220, 208);
    }
    const TextDraw draw = RandomDraw(random, &text);
    if (lazy.full()) lazy.Painted(*atlas);
    lazy.Draw(draw);
    PaintText(eager, *atlas, draw);
    ASSERT_LE(lazy.waiting(), 4096u);
    if (i == 4500 || i == 6000 || i == 8999) {
      ASSERT_EQ(lazy.Painted(*atlas).pixels, eager.pixels) << "after draw " << i;
      EXPECT_EQ(lazy.waiting(), 0u);
    }
  }
  // An erase after the last look leaves white; a new size starts white.
  lazy.Erase();
  eager.Reset(220, 208);
  EXPECT_EQ(lazy.Painted(*atlas).pixels, eager.pixels);
  lazy.Draw(RandomDraw(random, &text));
  lazy.Reset(11, 13);
  EXPECT_EQ(lazy.Painted(*atlas).pixels, std::vector<uint32_t>(11 * 13, kWhite));
  // A window gone, or too large to paint, takes no requests and has no pixels.
  for (const auto& [w, h] : {std::pair{0, 0}, std::pair{1 << 16, 1 << 16}, std::pair{-5, 9}}) {
    lazy.Reset(w, h);
    lazy.Draw(RandomDraw(random, &text));
    EXPECT_EQ(lazy.waiting(), 0u) << w << "x" << h;
    EXPECT_TRUE(lazy.Painted(*atlas).pixels.empty()) << w << "x" << h;
  }
}

// The headless window, with a twin that paints each request as it comes.
class EagerTwin : public CorePlatform {
 public:
  bool DrawText(const TextDraw& draw) override {
    if (draw.window == kMainWindow) PaintText(eager, *atlas(), draw);
    return CorePlatform::DrawText(draw);
  }
  void EraseClient() override {
    eager.Reset(eager.width, eager.height);
    CorePlatform::EraseClient();
  }
  Rect LayoutWindow(const WindowLayout& layout) override {
    const Rect client = CorePlatform::LayoutWindow(layout);
    eager.Reset(client.Width(), client.Height());
    return client;
  }
  Picture eager;
};

TEST(LazyPicture, TheWindowsSnapshotIsTheEagerOne) {
  const auto atlas = Glyphs();
  if (atlas == nullptr) GTEST_SKIP() << "no glyphs";
  auto twin = std::make_unique<EagerTwin>();
  EagerTwin& window = *twin;
  window.KeepPixels(atlas, 1);
  TestTerminal tt(16, 20, std::move(twin));
  // Forms shown, overwritten, typed into and shown again.
  tt.Host(Command("\\1S\\Lot:\\A12345\\Qty:\\N12\\") + Command("\\1"));
  window.SendMessage(kWmChar, '7', 0);
  EXPECT_EQ(window.MainPicture(false).pixels, window.eager.pixels);
  for (int i = 0; i < 40; ++i)
    tt.Host(Command("\\" + std::to_string(i % 3) + "S\\Item:\\A9\\") +
            Command("\\" + std::to_string(i % 3)));
  window.SendMessage(kWmChar, '\b', 0);
  window.SendMessage(kWmChar, 'x', 0);
  const Picture lazy = window.MainPicture(false);
  EXPECT_EQ(lazy.pixels, window.eager.pixels);
  EXPECT_NE(std::count(lazy.pixels.begin(), lazy.pixels.end(), kWhite),
            ptrdiff_t(lazy.pixels.size()));
}

// The cells a draw lands in, one glyph at a time as a person would count
// them, against the window's own arithmetic. The glyphs are looked for once,
// by the first picture, not for drawing: an erase drops what waits, so
// nothing is painted on the way; without them a snapshot says why.
TEST(HeadlessCells, EveryGlyphThatShowsAndNoOtherWithGlyphsLookedForLate) {
  int asked = 0;
  CorePlatform window;
  window.KeepPixels(
      [&asked](std::string* error) {
        ++asked;
        *error = "font Liberation Mono Regular not found";
        return nullptr;
      },
      1);
  WindowLayout layout;
  layout.rows = 16;
  layout.columns = 20;
  const Rect client = window.LayoutWindow(layout);
  std::vector<ViewCell> expected(16 * 20);
  std::mt19937 random(7);
  std::string text;
  for (int i = 0; i < 5000; ++i) {
    TextDraw draw = RandomDraw(random, &text);
    draw.row = std::uniform_int_distribution<int>(-1, 16)(random);
    draw.column = std::uniform_int_distribution<int>(-25, 22)(random);
    draw.cell_width = std::uniform_int_distribution<int>(-2, 12)(random);
    window.DrawText(draw);
    if (draw.row < 0 || draw.row >= 16 || draw.rect.top >= client.bottom) continue;
    for (size_t k = 0; k < draw.text.size(); ++k) {
      const int64_t x = int64_t(draw.rect.left) + int64_t(k) * draw.cell_width;
      const int64_t column = draw.column + int64_t(k);
      if (x >= draw.rect.right || x >= client.right || column >= 20) break;
      if (column < 0) continue;
      const bool bold = draw.font == CellFont::kBold || draw.font == CellFont::kBoldUnderlined;
      const bool underlined =
          draw.font == CellFont::kUnderlined || draw.font == CellFont::kBoldUnderlined;
      expected[size_t(draw.row * 20 + column)] = {
          draw.text[k], uint8_t((draw.reverse ? 1 : 0) | (underlined ? 2 : 0) | (bold ? 8 : 0))};
    }
    if (i % 500 == 0) {
      window.EraseClient();
      expected.assign(expected.size(), ViewCell());
    }
  }
  for (int32_t r = 0; r < 16; ++r) {
    for (int32_t c = 0; c < 20; ++c) {
      ASSERT_EQ(window.cell(r, c).byte, expected[size_t(r * 20 + c)].byte) << r << "," << c;
      ASSERT_EQ(window.cell(r, c).attribute, expected[size_t(r * 20 + c)].attribute);
    }
  }
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(window.Snapshot("never.png"), "no snapshots: font Liberation Mono Regular not found");
  EXPECT_TRUE(window.MainPicture(false).pixels.empty());
  EXPECT_EQ(asked, 1);
}

}  // namespace
}  // namespace marl::testing
