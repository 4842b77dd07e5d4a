#include "ui/sdl/sdl_glyphs.h"

#include <SDL2/SDL_ttf.h>

#include <algorithm>
#include <cstdio>

#include "ui/pixels/code_page.h"
#include "ui/pixels/glyph_atlas.h"

namespace marl {

namespace {

constexpr int kPointSize = 14;

int Advance(TTF_Font* font) {
  int minx = 0, maxx = 0, miny = 0, maxy = 0, advance = 0;
  if (TTF_GlyphMetrics32(font, 'M', &minx, &maxx, &miny, &maxy, &advance) != 0) return 0;
  return advance;
}

// The largest size whose line is 16 pixels high and whose advance is the
// cell's: the face is stretched sideways as the window's fonts are.
bool FitFont(TTF_Font* font, int advance) {
  unsigned vdpi = 0;
  for (unsigned v = 40; v <= 120; ++v) {
    if (TTF_SetFontSizeDPI(font, kPointSize, 72, v) != 0) return false;
    if (TTF_FontHeight(font) <= kGlyphLineHeight) vdpi = v;
  }
  unsigned hdpi = 0;
  for (unsigned h = 30; h <= 200 && vdpi > 0; ++h) {
    if (TTF_SetFontSizeDPI(font, kPointSize, h, vdpi) != 0) return false;
    if (Advance(font) == advance) hdpi = h;
  }
  return hdpi > 0 && TTF_SetFontSizeDPI(font, kPointSize, hdpi, vdpi) == 0;
}

// One glyph's coverage, its line's bottom on the surface's bottom, as the
// text is bottom-aligned in its cell.
void CopyGlyph(TTF_Font* font, uint32_t ch, int32_t advance, uint8_t* mask) {
  SDL_Surface* glyph = TTF_RenderGlyph32_Blended(font, ch, SDL_Color{0, 0, 0, 255});
  if (glyph == nullptr) return;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(glyph, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(glyph);
  if (argb == nullptr) return;
  const int shift = argb->h - kGlyphLineHeight;
  for (int y = 0; y < kGlyphLineHeight; ++y) {
    const int sy = y + shift;
    if (sy < 0 || sy >= argb->h) continue;
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) +
                                                        size_t(sy) * size_t(argb->pitch));
    for (int x = 0; x < advance && x < argb->w; ++x) mask[y * advance + x] = uint8_t(row[x] >> 24);
  }
  SDL_FreeSurface(argb);
}

}  // namespace

int RenderSdlFace(const char* path, int32_t advance, uint8_t* masks, int32_t* underline_row,
                  char* error, size_t error_size) {
  if (TTF_Init() != 0) {
    std::snprintf(error, error_size, "cannot start the font renderer: %s", TTF_GetError());
    return 0;
  }
  TTF_Font* font = TTF_OpenFontDPI(path, kPointSize, 72, 72);
  if (font == nullptr || !FitFont(font, advance)) {
    std::snprintf(error, error_size, "cannot use the font %s: %s", path, TTF_GetError());
    if (font != nullptr) TTF_CloseFont(font);
    TTF_Quit();
    return 0;
  }
  TTF_SetFontHinting(font, TTF_HINTING_NORMAL);
  *underline_row = std::min(kGlyphLineHeight - 1, TTF_FontAscent(font) + 1);
  for (int byte = 0; byte < 256; ++byte) {
    const uint32_t ch = CodePageCharacter(uint8_t(byte));
    if (ch == 0 || ch == ' ') continue;
    CopyGlyph(font, ch, advance, masks + size_t(byte) * size_t(advance) * kGlyphLineHeight);
  }
  TTF_CloseFont(font);
  TTF_Quit();
  return 1;
}

}  // namespace marl
