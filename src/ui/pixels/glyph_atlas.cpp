#include "ui/pixels/glyph_atlas.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace marl {

namespace {

// Debian's places for the two faces, before asking fontconfig.
constexpr const char* kKnownPaths[2][2] = {
    {"/usr/share/fonts/truetype/liberation2/LiberationMono-Regular.ttf",
     "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf"},
    {"/usr/share/fonts/truetype/liberation2/LiberationMono-Bold.ttf",
     "/usr/share/fonts/truetype/liberation/LiberationMono-Bold.ttf"},
};

std::atomic<MarlFaceRenderer> chosen_renderer{nullptr};

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

}  // namespace

void GlyphAtlas::UseRenderer(MarlFaceRenderer render) {
  chosen_renderer = render;
}

std::unique_ptr<GlyphAtlas> GlyphAtlas::Load(std::string* error) {
  auto atlas = std::unique_ptr<GlyphAtlas>(new GlyphAtlas);
  for (int bold = 0; bold < 2; ++bold) {
    atlas->paths_[bold] = FindFace(bold != 0);
    if (atlas->paths_[bold].empty()) {
      *error = std::string("font Liberation Mono ") + (bold ? "Bold" : "Regular") +
               " not found (Debian package fonts-liberation2)";
      return nullptr;
    }
  }
  MarlFaceRenderer render = chosen_renderer;
  if (render == nullptr) {
    const MarlWindowModule* module = WindowModule(error);
    if (module == nullptr) return nullptr;
    render = module->render_face;
  }
  for (int index = 0; index < 4; ++index) {
    const int32_t advance = index % 2 == 1 ? 10 : 11;
    Face& face = atlas->faces_[index];
    face.advance = advance;
    face.masks.assign(256 * size_t(advance) * kGlyphLineHeight, 0);
    char why[512] = "";
    if (render(atlas->paths_[index / 2].c_str(), advance, face.masks.data(), &face.underline_row,
               why, sizeof why) == 0) {
      error->assign(why, strnlen(why, sizeof why));
      return nullptr;
    }
  }
  return atlas;
}

}  // namespace marl
