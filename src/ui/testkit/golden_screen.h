// Golden screens: a window as it should look, kept as a text file that a
// person reads and reviews in a diff (docs/testing.md):
//
//   # comments, kept when the file is rewritten
//   screen 20x4 cursor 2 6
//   | MARL WAREHOUSE     |
//   |Sign in, 12:04      |
//   |User: ______        |
//   |                    |
//   attributes
//   0 |rrrrrrrrrrrrrrrr    |
//   2 |      uuuuuu        |
//   masks
//   1 |         *****      |
//
// Rows sit between bars so that trailing blanks show. The two blocks below
// them list only the rows that need them: a cell's attribute as a letter
// (r reverse, u underlined, b bold, an upper-case hex digit for several),
// and with '*' the cells that are not compared (a time, a count).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/testkit/screen_image.h"

namespace marl {

struct GoldenScreen {
  std::vector<std::string> comments;  // the '#' lines before the screen line
  int32_t rows = 0;
  int32_t columns = 0;
  int32_t cursor_row = 0;
  int32_t cursor_column = 0;
  // rows x columns cells, row after row.
  std::string text;                 // characters 0x20 to 0x7E, as `screen` shows them
  std::vector<uint8_t> attributes;  // the low four bits
  std::vector<uint8_t> masks;       // 1: the cell is not compared
};

// Reads a golden file's content. A malformed one returns false with
// `error` naming the line ("line 7: ..."), and leaves `golden` unspecified.
bool ParseGolden(std::string_view content, GoldenScreen* golden, std::string* error);

// The file's text; ParseGolden reads it back as the same golden.
std::string GoldenText(const GoldenScreen& golden);

// The golden that `image` would match exactly, keeping the comments of
// `previous` and its masks where they fall on the new screen (`previous`
// may be null).
GoldenScreen GoldenFromImage(const ScreenImage& image, const GoldenScreen* previous);

// An attribute's letter in the attributes block, and back: ' ' plain, 'r',
// 'u', 'b', and for several bits their upper-case hex digit.
char AttributeLetter(uint8_t attribute);
bool AttributeFromLetter(char letter, uint8_t* attribute);

}  // namespace marl
