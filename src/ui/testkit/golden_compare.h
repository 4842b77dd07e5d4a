// A window compared with its golden screen, and the side-by-side text a
// failed comparison shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/testkit/golden_screen.h"
#include "ui/testkit/screen_image.h"

namespace marl {

enum class CellDifference : uint8_t { kSame, kText, kAttribute };

struct GoldenComparison {
  // The sizes differ: nothing else was compared.
  bool size_differs = false;
  int32_t text_cells = 0;       // cells whose character differs
  int32_t attribute_cells = 0;  // cells whose character is right but not the attribute
  bool cursor_differs = false;
  // One CellDifference a cell, row after row (empty when the sizes differ).
  std::vector<CellDifference> cells;
  bool matches() const {
    return !size_differs && text_cells == 0 && attribute_cells == 0 && !cursor_differs;
  }
};

// Compares every cell that no mask covers (its character as `screen` shows
// it, and its attribute), and the cursor.
GoldenComparison CompareGolden(const GoldenScreen& golden, const ScreenImage& image);

// One line that says what differs, e.g. "the window differs from the
// golden screen: 2 cells of text, the cursor (4 0, not 3 6)", or that
// the sizes differ.
std::string ComparisonSummary(const GoldenScreen& golden, const ScreenImage& image,
                              const GoldenComparison& comparison);

// The summary, then expected and actual side by side, a row a line; under
// a row that differs, its attributes where those differ, and a line that
// marks each differing cell ('^' its character, '~' only its attribute).
std::string GoldenDiffText(const GoldenScreen& golden, const ScreenImage& image,
                           const GoldenComparison& comparison);

}  // namespace marl
