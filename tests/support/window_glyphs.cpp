// Tests render glyphs in their own process with the window's renderer, as
// the window module does inside itself, so they need no module beside them.
#include "ui/pixels/glyph_atlas.h"
#include "ui/sdl/sdl_glyphs.h"

namespace marl::testing {
namespace {

const bool kRendererChosen = (GlyphAtlas::UseRenderer(RenderSdlFace), true);

}  // namespace
}  // namespace marl::testing
