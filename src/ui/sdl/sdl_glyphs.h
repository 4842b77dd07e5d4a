// The font renderer behind the window's glyphs and every snapshot: one face
// of Liberation Mono drawn with SDL_ttf, stretched to the cell's width.
#pragma once

#include <cstddef>
#include <cstdint>

namespace marl {

// A MarlFaceRenderer: 1 when the 256 glyphs of `path`'s face are in `masks`
// (`advance` x 16 coverage values each), 0 with `error` set otherwise.
int RenderSdlFace(const char* path, int32_t advance, uint8_t* masks, int32_t* underline_row,
                  char* error, size_t error_size);

}  // namespace marl
