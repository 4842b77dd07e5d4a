#include "ui/testkit/golden_compare.h"

namespace marl {

namespace {

std::string Position(int32_t row, int32_t column) {
  return std::to_string(row) + " " + std::to_string(column);
}

std::string Size(int32_t columns, int32_t rows) {
  return std::to_string(columns) + "x" + std::to_string(rows);
}

// A row of the golden as text, blanks where the golden is short.
std::string GoldenRow(const GoldenScreen& g, int32_t row) {
  const size_t first = size_t(row) * size_t(g.columns);
  if (first + size_t(g.columns) > g.text.size()) return std::string(size_t(g.columns), ' ');
  return g.text.substr(first, size_t(g.columns));
}

uint8_t GoldenAttribute(const GoldenScreen& g, size_t cell) {
  return cell < g.attributes.size() ? g.attributes[cell] & kCellAttributeBits : 0;
}

}  // namespace

GoldenComparison CompareGolden(const GoldenScreen& golden, const ScreenImage& image) {
  GoldenComparison result;
  if (golden.rows != image.rows || golden.columns != image.columns || golden.rows <= 0 ||
      golden.columns <= 0) {
    result.size_differs = true;
    return result;
  }
  const size_t cells = size_t(golden.rows) * size_t(golden.columns);
  result.cells.assign(cells, CellDifference::kSame);
  for (int32_t r = 0; r < golden.rows; ++r) {
    for (int32_t c = 0; c < golden.columns; ++c) {
      const size_t i = size_t(r) * size_t(golden.columns) + size_t(c);
      if (i < golden.masks.size() && golden.masks[i] != 0) continue;
      const char expected = i < golden.text.size() ? golden.text[i] : ' ';
      if (expected != image.Shown(r, c)) {
        result.cells[i] = CellDifference::kText;
        ++result.text_cells;
      } else if (GoldenAttribute(golden, i) != image.Attribute(r, c)) {
        result.cells[i] = CellDifference::kAttribute;
        ++result.attribute_cells;
      }
    }
  }
  result.cursor_differs =
      golden.cursor_row != image.cursor_row || golden.cursor_column != image.cursor_column;
  return result;
}

std::string ComparisonSummary(const GoldenScreen& golden, const ScreenImage& image,
                              const GoldenComparison& comparison) {
  if (comparison.size_differs) {
    return "the golden screen is " + Size(golden.columns, golden.rows) + ", the window " +
           Size(image.columns, image.rows);
  }
  if (comparison.matches()) return "the window matches the golden screen";
  std::string parts;
  const auto add = [&parts](const std::string& part) {
    parts += (parts.empty() ? "" : ", ") + part;
  };
  if (comparison.text_cells > 0) {
    add(std::to_string(comparison.text_cells) +
        (comparison.text_cells == 1 ? " cell of text" : " cells of text"));
  }
  if (comparison.attribute_cells > 0) {
    add(std::to_string(comparison.attribute_cells) +
        (comparison.attribute_cells == 1 ? " cell's attribute" : " cells' attributes"));
  }
  if (comparison.cursor_differs) {
    add("the cursor (" + Position(image.cursor_row, image.cursor_column) + ", not " +
        Position(golden.cursor_row, golden.cursor_column) + ")");
  }
  return "the window differs from the golden screen: " + parts;
}

std::string GoldenDiffText(const GoldenScreen& golden, const ScreenImage& image,
                           const GoldenComparison& comparison) {
  std::string out = ComparisonSummary(golden, image, comparison) + "\n";
  if (comparison.size_differs || comparison.matches()) return out;
  const size_t width = std::to_string(golden.rows - 1).size();
  const std::string blank_label(width + 1, ' ');
  const std::string gap = "   ";
  const auto pair = [&](const std::string& label, const std::string& left,
                        const std::string& right) {
    return label + "|" + left + "|" + gap + "|" + right + "|\n";
  };
  std::string heading = blank_label + " expected";
  heading.resize(width + 1 + size_t(golden.columns) + 2 + gap.size(), ' ');
  out += heading + " actual\n";
  for (int32_t r = 0; r < golden.rows; ++r) {
    std::string label = std::to_string(r);
    label = std::string(width - label.size(), ' ') + label + " ";
    out += pair(label, GoldenRow(golden, r), image.RowText(r));
    std::string marks(size_t(golden.columns), ' ');
    std::string expected_attributes;
    std::string actual_attributes;
    bool any_text = false;
    bool any_attribute = false;
    for (int32_t c = 0; c < golden.columns; ++c) {
      const size_t i = size_t(r) * size_t(golden.columns) + size_t(c);
      expected_attributes.push_back(AttributeLetter(GoldenAttribute(golden, i)));
      actual_attributes.push_back(AttributeLetter(image.Attribute(r, c)));
      if (comparison.cells[i] == CellDifference::kText) {
        marks[size_t(c)] = '^';
        any_text = true;
      } else if (comparison.cells[i] == CellDifference::kAttribute) {
        marks[size_t(c)] = '~';
        any_attribute = true;
      }
    }
    if (any_attribute) {
      const std::string a = std::string(width - 1, ' ') + "a ";
      out += pair(a, expected_attributes, actual_attributes);
    }
    if (any_text || any_attribute) out += pair(blank_label, marks, marks);
  }
  return out;
}

}  // namespace marl
