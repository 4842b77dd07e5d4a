// The window's glyphs: every byte of the normal and the bold face at both cell
// widths (11, and 10 for bold text and run drawing), rendered once from
// Liberation Mono (the metrics of the fixed-pitch face the cells were
// designed for) as coverage masks of one cell width by one 16-pixel line.
// The font files are found here; the rendering is the window module's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/window_module.h"

namespace marl {

// The fonts' height: a 13-pixel cell shows the bottom 13 rows of it.
constexpr int32_t kGlyphLineHeight = 16;

class GlyphAtlas {
 public:
  // Renders both faces; nullptr with `error` set when the font files or the
  // renderer are missing.
  static std::unique_ptr<GlyphAtlas> Load(std::string* error);
  // The renderer of every later Load; without one, the window module's, so
  // that the program itself never links the font renderer.
  static void UseRenderer(MarlFaceRenderer render);

  // The face for a cell width: 10 or less takes the narrow one.
  static int32_t FaceIndex(bool bold, int32_t cell_width) {
    return (bold ? 2 : 0) + (cell_width <= 10 ? 1 : 0);
  }
  int32_t advance(int32_t face) const { return faces_[face].advance; }
  // Row of the line where an underline goes.
  int32_t underline_row(int32_t face) const { return faces_[face].underline_row; }
  // advance x kGlyphLineHeight coverage values (0 none, 255 full), row by row.
  const uint8_t* Mask(int32_t face, uint8_t byte) const {
    const Face& f = faces_[face];
    return f.masks.data() + size_t(byte) * size_t(f.advance) * kGlyphLineHeight;
  }

  // Where the font files were found, for messages.
  const std::string& regular_path() const { return paths_[0]; }

 private:
  struct Face {
    int32_t advance = 0;
    int32_t underline_row = 0;
    std::vector<uint8_t> masks;
  };
  Face faces_[4];
  std::string paths_[2];
};

}  // namespace marl
