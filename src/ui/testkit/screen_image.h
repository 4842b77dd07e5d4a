// A window's cells at one moment, as a test looks at them: what golden
// screens are compared with and failure reports show. The front end fills
// it from its view of the window; nothing here knows the terminal.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace marl {

// The attribute bits a test tells apart (the low four bits of a drawn
// cell's attribute; 4 has no look of its own but is kept).
constexpr uint8_t kCellReverse = 1;
constexpr uint8_t kCellUnderline = 2;
constexpr uint8_t kCellBold = 8;
constexpr uint8_t kCellAttributeBits = 0x0F;

// The largest screen a golden file or a report takes: the terminal's grid
// limit.
constexpr int64_t kMaxImageCells = 1 << 22;
constexpr int32_t kMaxImageSide = 9999;

struct ScreenImage {
  int32_t rows = 0;
  int32_t columns = 0;
  // rows x columns cells, row after row: the bytes as drawn, and each
  // cell's attribute.
  std::string bytes;
  std::vector<uint8_t> attributes;
  int32_t cursor_row = 0;
  int32_t cursor_column = 0;

  // A cell as a person sees it: bytes 0x20 to 0x7E as themselves, others
  // as '.'. A cell the image lacks (short vectors) is a plain blank, so a
  // badly filled image is never read past its end.
  char Shown(int32_t row, int32_t column) const;
  uint8_t Attribute(int32_t row, int32_t column) const;
  std::string RowText(int32_t row) const;
};

// A byte as `screen` shows it.
inline char ShownByte(unsigned char byte) {
  return byte >= 0x20 && byte <= 0x7E ? char(byte) : '.';
}

}  // namespace marl
