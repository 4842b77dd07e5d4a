// The window's pixels, painted from draw requests by the same code in every
// front end, so that the headless front end's pictures and the desktop
// window are the same pixel for pixel. Black on white; reverse video
// exchanges the two.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace marl {

class GlyphAtlas;

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;

// The largest picture a window keeps (width x height pixels): a screen
// size beyond it is shown as cells only.
constexpr int64_t kMaxCanvasPixels = 16LL << 20;

// 0x00RRGGBB pixels, row by row.
struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;

  // White, or empty when the size is 0 or too large.
  void Reset(int32_t w, int32_t h);
  void Fill(const Rect& r, uint32_t colour);
  // Exchanges black and white (and every grey with its opposite) inside r,
  // as a solid caret does.
  void Invert(const Rect& r);
  // Each pixel becomes a zoom x zoom block.
  Picture Scaled(int32_t zoom) const;
};

// One draw request, as the window's text drawing does it: the glyphs start at
// the rectangle's left edge, one advance apart, their 16-pixel line aligned to
// the rectangle's bottom; the background of the drawn characters is filled;
// everything is clipped to the rectangle.
void PaintText(Picture& p, const GlyphAtlas& atlas, const TextDraw& draw);

// An edit control: a bordered white box with its text, and the caret after
// the text when it has the focus.
void PaintEditField(Picture& p, const GlyphAtlas& atlas, const Rect& r, std::string_view text,
                    bool caret);

}  // namespace marl
