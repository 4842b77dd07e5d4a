// A window's pixels, painted only when someone looks at them. Draw requests
// wait, in order, and are painted by the one painter when the picture is
// asked for, so the picture is the one that painting each request at once
// gives; an erase drops the requests before it, which nobody can see any
// more. A program that never takes a snapshot pays for its cells only: even
// the white picture is made when first asked for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "ui/pixels/cell_canvas.h"

namespace marl {

class GlyphAtlas;

class LazyPicture {
 public:
  // White, of w x h pixels (empty when too large, as Picture::Reset).
  void Reset(int32_t w, int32_t h);
  // Nothing at all, as a window that is gone.
  void Clear();
  // The whole picture white again.
  void Erase();
  // Waits to be painted. Whoever draws paints what waits once it is full,
  // so that a window drawn over and over without an erase keeps bounded
  // memory.
  void Draw(const TextDraw& draw);
  bool full() const;
  // Every waiting request painted.
  const Picture& Painted(const GlyphAtlas& atlas);

  size_t waiting() const { return draws_.size(); }

 private:
  struct Waiting {
    TextDraw draw;  // its text lies in texts_, `length` bytes from `offset`
    size_t offset = 0;
    size_t length = 0;
  };
  void DropWaiting();

  Picture picture_;  // empty until first painted
  int32_t width_ = 0;
  int32_t height_ = 0;
  bool erase_waits_ = false;
  std::vector<Waiting> draws_;
  std::string texts_;
};

}  // namespace marl
