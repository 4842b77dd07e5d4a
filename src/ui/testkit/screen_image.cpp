#include "ui/testkit/screen_image.h"

namespace marl {

namespace {

// The cell's index, or -1 outside the image.
int64_t CellIndex(const ScreenImage& image, int32_t row, int32_t column) {
  if (row < 0 || column < 0 || row >= image.rows || column >= image.columns) return -1;
  return int64_t(row) * image.columns + column;
}

}  // namespace

char ScreenImage::Shown(int32_t row, int32_t column) const {
  const int64_t i = CellIndex(*this, row, column);
  if (i < 0 || size_t(i) >= bytes.size()) return ' ';
  return ShownByte(static_cast<unsigned char>(bytes[size_t(i)]));
}

uint8_t ScreenImage::Attribute(int32_t row, int32_t column) const {
  const int64_t i = CellIndex(*this, row, column);
  if (i < 0 || size_t(i) >= attributes.size()) return 0;
  return attributes[size_t(i)] & kCellAttributeBits;
}

std::string ScreenImage::RowText(int32_t row) const {
  std::string out;
  if (columns <= 0) return out;
  out.reserve(size_t(columns));
  for (int32_t c = 0; c < columns; ++c) out.push_back(Shown(row, c));
  return out;
}

}  // namespace marl
