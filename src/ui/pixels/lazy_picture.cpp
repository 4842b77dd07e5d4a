#include "ui/pixels/lazy_picture.h"

#include <algorithm>

namespace marl {

namespace {

// Requests that may wait before they must be painted.
constexpr size_t kMaxWaitingDraws = 4096;
constexpr size_t kMaxWaitingBytes = 1 << 20;

}  // namespace

void LazyPicture::Reset(int32_t w, int32_t h) {
  DropWaiting();
  picture_ = Picture();
  if (w <= 0 || h <= 0 || int64_t(w) * h > kMaxCanvasPixels) w = h = 0;
  width_ = w;
  height_ = h;
}

void LazyPicture::Clear() {
  Reset(0, 0);
}

void LazyPicture::Erase() {
  DropWaiting();
  erase_waits_ = true;
}

bool LazyPicture::full() const {
  return draws_.size() >= kMaxWaitingDraws || texts_.size() >= kMaxWaitingBytes;
}

void LazyPicture::Draw(const TextDraw& draw) {
  if (width_ == 0) return;
  draws_.push_back({draw, texts_.size(), draw.text.size()});
  draws_.back().draw.text = {};
  texts_.append(draw.text);
}

const Picture& LazyPicture::Painted(const GlyphAtlas& atlas) {
  if (picture_.width != width_ || picture_.height != height_) {
    picture_.Reset(width_, height_);
  } else if (erase_waits_) {
    std::fill(picture_.pixels.begin(), picture_.pixels.end(), kWhite);
  }
  erase_waits_ = false;
  for (Waiting& w : draws_) {
    TextDraw draw = w.draw;
    draw.text = std::string_view(texts_).substr(w.offset, w.length);
    PaintText(picture_, atlas, draw);
  }
  draws_.clear();
  texts_.clear();
  return picture_;
}

void LazyPicture::DropWaiting() {
  erase_waits_ = false;
  draws_.clear();
  texts_.clear();
}

}  // namespace marl
