#include "ui/pixels/glyph_atlas.h"

#include <SDL2/SDL_ttf.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace marl {

namespace {

constexpr int kPointSize = 14;

// Debian's places for the two faces, before asking fontconfig.
constexpr const char* kKnownPaths[2][2] = {
    {"/usr/share/fonts/truetype/liberation2/LiberationMono-Regular.ttf",
     "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf"},
    {"/usr/share/fonts/truetype/liberation2/LiberationMono-Bold.ttf",
     "/usr/share/fonts/truetype/liberation/LiberationMono-Bold.ttf"},
};

// fontconfig's file for the face, only when it really is Liberation Mono
// (fc-match always answers with something).
std::string AskFontconfig(bool bold) {
  const char* command = bold
                            ? "fc-match -f '%{family}\\n%{file}' 'Liberation Mono:bold' 2>/dev/null"
                            : "fc-match -f '%{family}\\n%{file}' 'Liberation Mono' 2>/dev/null";
  std::FILE* pipe = popen(command, "r");
  if (pipe == nullptr) return "";
  std::string out;
  char buffer[512];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  pclose(pipe);
  const size_t line = out.find('\n');
  if (line == std::string::npos ||
      out.substr(0, line).find("Liberation Mono") == std::string::npos) {
    return "";
  }
  return out.substr(line + 1);
}

std::string FindFace(bool bold) {
  for (const char* path : kKnownPaths[bold ? 1 : 0]) {
    if (access(path, R_OK) == 0) return path;
  }
  return AskFontconfig(bold);
}

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

}  // namespace

std::unique_ptr<GlyphAtlas> GlyphAtlas::Load(std::string* error) {
  auto atlas = std::unique_ptr<GlyphAtlas>(new GlyphAtlas);
  if (TTF_Init() != 0) {
    *error = std::string("cannot start the font renderer: ") + TTF_GetError();
    return nullptr;
  }
  bool ok = true;
  for (int index = 0; index < 4 && ok; ++index) {
    const int bold = index / 2;
    const std::string path = FindFace(bold != 0);
    if (path.empty()) {
      *error = std::string("font Liberation Mono ") + (bold ? "Bold" : "Regular") +
               " not found (Debian package fonts-liberation2)";
      ok = false;
      break;
    }
    atlas->paths_[bold] = path;
    TTF_Font* font = TTF_OpenFontDPI(path.c_str(), kPointSize, 72, 72);
    const int advance = index % 2 == 1 ? 10 : 11;
    if (font == nullptr || !FitFont(font, advance)) {
      *error = "cannot use the font " + path + ": " + TTF_GetError();
      if (font != nullptr) TTF_CloseFont(font);
      ok = false;
      break;
    }
    TTF_SetFontHinting(font, TTF_HINTING_NORMAL);
    Face& face = atlas->faces_[index];
    face.advance = advance;
    face.underline_row = std::min(kGlyphLineHeight - 1, TTF_FontAscent(font) + 1);
    face.masks.assign(256 * size_t(advance) * kGlyphLineHeight, 0);
    for (int byte = 0; byte < 256; ++byte) {
      const uint32_t ch = CodePageCharacter(uint8_t(byte));
      if (ch == 0 || ch == ' ') continue;
      SDL_Surface* glyph = TTF_RenderGlyph32_Blended(font, ch, SDL_Color{0, 0, 0, 255});
      if (glyph == nullptr) continue;
      SDL_Surface* argb = SDL_ConvertSurfaceFormat(glyph, SDL_PIXELFORMAT_ARGB8888, 0);
      SDL_FreeSurface(glyph);
      if (argb == nullptr) continue;
      // The line's bottom is the surface's bottom, as the text is
      // bottom-aligned in its cell.
      const int shift = argb->h - kGlyphLineHeight;
      uint8_t* mask = face.masks.data() + size_t(byte) * size_t(advance) * kGlyphLineHeight;
      for (int y = 0; y < kGlyphLineHeight; ++y) {
        const int sy = y + shift;
        if (sy < 0 || sy >= argb->h) continue;
        const auto* row = reinterpret_cast<const uint32_t*>(
            static_cast<const uint8_t*>(argb->pixels) + size_t(sy) * size_t(argb->pitch));
        for (int x = 0; x < advance && x < argb->w; ++x)
          mask[y * advance + x] = uint8_t(row[x] >> 24);
      }
      SDL_FreeSurface(argb);
    }
    TTF_CloseFont(font);
  }
  TTF_Quit();
  if (!ok) return nullptr;
  return atlas;
}

}  // namespace marl
