#include "ui/pixels/cell_canvas.h"

#include <algorithm>

#include "screen/screen_state.h"
#include "ui/pixels/glyph_atlas.h"

namespace marl {

namespace {

Rect Clip(const Rect& r, const Picture& p) {
  return {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, p.width),
          std::min(r.bottom, p.height)};
}

// Ink of coverage a on paper, for black ink on white or white on black: a
// grey whose three channels are equal.
uint32_t Grey(uint8_t a, bool reverse) {
  return uint32_t(reverse ? a : 255 - a) * 0x010101u;
}

bool IsBold(CellFont font) {
  return font == CellFont::kBold || font == CellFont::kBoldUnderlined;
}

bool IsUnderlined(CellFont font) {
  return font == CellFont::kUnderlined || font == CellFont::kBoldUnderlined;
}

}  // namespace

void Picture::Reset(int32_t w, int32_t h) {
  if (w <= 0 || h <= 0 || int64_t(w) * h > kMaxCanvasPixels) w = h = 0;
  width = w;
  height = h;
  pixels.assign(size_t(w) * size_t(h), kWhite);
}

void Picture::Fill(const Rect& r, uint32_t colour) {
  const Rect c = Clip(r, *this);
  for (int32_t y = c.top; y < c.bottom; ++y) {
    std::fill_n(pixels.begin() + int64_t(y) * width + c.left, std::max(c.Width(), 0), colour);
  }
}

void Picture::Invert(const Rect& r) {
  const Rect c = Clip(r, *this);
  for (int32_t y = c.top; y < c.bottom; ++y) {
    for (int32_t x = c.left; x < c.right; ++x)
      pixels[size_t(y) * size_t(width) + size_t(x)] ^= kWhite;
  }
}

Picture Picture::Scaled(int32_t zoom) const {
  if (zoom <= 1) return *this;
  Picture out;
  out.Reset(width * zoom, height * zoom);
  if (out.pixels.empty()) return out;
  for (int32_t y = 0; y < out.height; ++y) {
    const uint32_t* from = pixels.data() + size_t(y / zoom) * size_t(width);
    uint32_t* to = out.pixels.data() + size_t(y) * size_t(out.width);
    for (int32_t x = 0; x < out.width; ++x) to[x] = from[x / zoom];
  }
  return out;
}

void PaintText(Picture& p, const GlyphAtlas& atlas, const TextDraw& draw) {
  const Rect clip = Clip(draw.rect, p);
  if (clip.Width() <= 0 || clip.Height() <= 0) return;
  const int32_t face = GlyphAtlas::FaceIndex(IsBold(draw.font), draw.cell_width);
  const int32_t advance = atlas.advance(face);
  const int32_t line_top = draw.rect.bottom - kGlyphLineHeight;
  const int32_t underline = IsUnderlined(draw.font) ? line_top + atlas.underline_row(face) : -1;
  const int32_t top = std::max(clip.top, line_top);
  for (size_t i = 0; i < draw.text.size(); ++i) {
    const int64_t left = int64_t(draw.rect.left) + int64_t(i) * advance;
    if (left >= clip.right) break;
    if (left + advance <= clip.left) continue;
    const uint8_t* mask = atlas.Mask(face, uint8_t(draw.text[i]));
    const int32_t x0 = int32_t(std::max<int64_t>(left, clip.left));
    const int32_t x1 = int32_t(std::min<int64_t>(left + advance, clip.right));
    for (int32_t y = top; y < clip.bottom; ++y) {
      uint32_t* row = p.pixels.data() + size_t(y) * size_t(p.width);
      const uint8_t* coverage = mask + (y - line_top) * advance;
      for (int32_t x = x0; x < x1; ++x) {
        const uint8_t a = y == underline ? 255 : coverage[x - left];
        row[x] = Grey(a, draw.reverse);
      }
    }
  }
}

void PaintEditField(Picture& p, const GlyphAtlas& atlas, const Rect& r, std::string_view text,
                    bool caret) {
  p.Fill(r, kBlack);
  const Rect inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
  p.Fill(inner, kWhite);
  TextDraw draw;
  draw.rect = {inner.left, inner.top, inner.right, inner.top + kRowHeight};
  draw.text = text;
  PaintText(p, atlas, draw);
  if (caret) {
    const int32_t x = inner.left + int32_t(text.size()) * atlas.advance(0);
    p.Fill({std::min(x, inner.right - 1), inner.top, std::min(x + 1, inner.right),
            inner.top + kRowHeight},
           kBlack);
  }
}

}  // namespace marl
