#include "ui/testkit/golden_screen.h"

#include <cstdio>

#include "ui/testkit/quoting.h"

namespace marl {

namespace {

constexpr size_t kQuoted = 40;

// One line of the file, its trailing blanks and carriage return dropped:
// the bars keep a row's own blanks, and editors and mail add or strip the
// others at will.
struct Line {
  std::string_view text;
  int64_t number = 0;
};

class Lines {
 public:
  explicit Lines(std::string_view content) : rest_(content) {}
  bool Next(Line* line) {
    if (done_) return false;
    const size_t end = rest_.find('\n');
    std::string_view text = rest_.substr(0, end);
    if (end == std::string_view::npos) {
      done_ = true;
      if (text.empty()) return false;
    } else {
      rest_.remove_prefix(end + 1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
      text.remove_suffix(1);
    }
    line->text = text;
    line->number = ++number_;
    return true;
  }
  int64_t number() const { return number_; }

 private:
  std::string_view rest_;
  int64_t number_ = 0;
  bool done_ = false;
};

bool Fail(int64_t line, const std::string& why, std::string* error) {
  *error = "line " + std::to_string(line) + ": " + why;
  return false;
}

bool FailAt(int64_t line, size_t column, const std::string& why, std::string* error) {
  *error = "line " + std::to_string(line) + ", column " + std::to_string(column + 1) + ": " + why;
  return false;
}

// A decimal number from min to max; digits only, a '-' first when min < 0.
bool Number(std::string_view word, int64_t min, int64_t max, int64_t* value) {
  bool negative = false;
  if (!word.empty() && word[0] == '-' && min < 0) {
    negative = true;
    word.remove_prefix(1);
  }
  if (word.empty() || word.size() > 9) return false;
  int64_t v = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (negative) v = -v;
  if (v < min || v > max) return false;
  *value = v;
  return true;
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

bool ParseHeader(const Line& line, GoldenScreen* g, std::string* error) {
  static const std::string kShape = "expected \"screen COLSxROWS cursor ROW COL\", found ";
  const std::vector<std::string_view> w = Words(line.text);
  if (w.size() != 5 || w[0] != "screen" || w[2] != "cursor") {
    return Fail(line.number, kShape + QuotedText(line.text, kQuoted), error);
  }
  const size_t x = w[1].find('x');
  int64_t columns = 0;
  int64_t rows = 0;
  if (x == std::string_view::npos || !Number(w[1].substr(0, x), 1, kMaxImageSide, &columns) ||
      !Number(w[1].substr(x + 1), 1, kMaxImageSide, &rows) || rows * columns > kMaxImageCells) {
    return Fail(line.number,
                "screen size " + QuotedText(w[1], kQuoted) + " is not COLSxROWS from 1x1 to " +
                    std::to_string(kMaxImageSide) + "x" + std::to_string(kMaxImageSide) +
                    ", at most " + std::to_string(kMaxImageCells) + " cells",
                error);
  }
  int64_t row = 0;
  int64_t column = 0;
  if (!Number(w[3], -kMaxImageSide, kMaxImageSide, &row) ||
      !Number(w[4], -kMaxImageSide, kMaxImageSide, &column)) {
    return Fail(line.number,
                "cursor " + QuotedText(std::string(w[3]) + " " + std::string(w[4]), kQuoted) +
                    " is not two numbers ROW COL",
                error);
  }
  g->columns = int32_t(columns);
  g->rows = int32_t(rows);
  g->cursor_row = int32_t(row);
  g->cursor_column = int32_t(column);
  const size_t cells = size_t(rows * columns);
  g->text.assign(cells, ' ');
  g->attributes.assign(cells, 0);
  g->masks.assign(cells, 0);
  return true;
}

// The cells between the bars of `text` (which starts at its first bar),
// or false when they are not exactly `columns` characters.
bool Barred(std::string_view text, int32_t columns, std::string_view* cells) {
  if (text.size() != size_t(columns) + 2 || text.front() != '|' || text.back() != '|') {
    return false;
  }
  *cells = text.substr(1, size_t(columns));
  return true;
}

bool ParseRow(const Line& line, int32_t row, GoldenScreen* g, std::string* error) {
  std::string_view cells;
  if (!Barred(line.text, g->columns, &cells)) {
    return Fail(line.number,
                "row " + std::to_string(row) + " is not " + std::to_string(g->columns) +
                    " characters between two bars: " + QuotedText(line.text, kQuoted),
                error);
  }
  for (size_t c = 0; c < cells.size(); ++c) {
    const unsigned char b = static_cast<unsigned char>(cells[c]);
    if (b < 0x20 || b > 0x7E) {
      char why[96];
      std::snprintf(why, sizeof why, "byte 0x%02x is not a screen character (0x20 to 0x7e)",
                    unsigned(b));
      return FailAt(line.number, c + 1, why, error);
    }
    g->text[size_t(row) * size_t(g->columns) + c] = char(b);
  }
  return true;
}

enum class Block { kNone, kAttributes, kMasks };

// One "ROW |cells|" line of the attributes or masks block.
bool ParseBlockRow(const Line& line, Block block, int32_t* last_row, GoldenScreen* g,
                   std::string* error) {
  const size_t bar = line.text.find('|');
  const std::string_view label =
      bar == std::string_view::npos ? line.text : line.text.substr(0, bar);
  const std::vector<std::string_view> w = Words(label);
  int64_t row = 0;
  std::string_view cells;
  if (bar == std::string_view::npos || w.size() != 1 || !Number(w[0], 0, g->rows - 1, &row) ||
      !Barred(line.text.substr(bar), g->columns, &cells)) {
    return Fail(line.number,
                std::string("expected \"ROW |") + std::to_string(g->columns) +
                    " characters|\" with ROW 0 to " + std::to_string(g->rows - 1) + ", found " +
                    QuotedText(line.text, kQuoted),
                error);
  }
  if (row <= *last_row) {
    return Fail(line.number,
                "row " + std::to_string(row) +
                    (row == *last_row ? " is listed twice"
                                      : " comes after row " + std::to_string(*last_row)),
                error);
  }
  *last_row = int32_t(row);
  const size_t first = size_t(row) * size_t(g->columns);
  for (size_t c = 0; c < cells.size(); ++c) {
    const size_t column_in_line = bar + 1 + c;
    if (block == Block::kAttributes) {
      if (!AttributeFromLetter(cells[c], &g->attributes[first + c])) {
        return FailAt(line.number, column_in_line,
                      QuotedText(cells.substr(c, 1)) +
                          " is not an attribute (blank, r, u, b, or a hex digit 3 to F)",
                      error);
      }
    } else if (cells[c] == '*') {
      g->masks[first + c] = 1;
    } else if (cells[c] != ' ') {
      return FailAt(
          line.number, column_in_line,
          QuotedText(cells.substr(c, 1)) + " in a mask: mark a cell with * or leave it blank",
          error);
    }
  }
  return true;
}

std::string RowLabel(int32_t row, int32_t rows) {
  const int width = int(std::to_string(rows > 0 ? rows - 1 : 0).size());
  std::string label = std::to_string(row);
  return std::string(size_t(width) - label.size(), ' ') + label + " ";
}

void AppendBlock(std::string& out, const char* name, const GoldenScreen& g,
                 const std::vector<uint8_t>& cells, bool attributes) {
  bool named = false;
  for (int32_t r = 0; r < g.rows; ++r) {
    const size_t first = size_t(r) * size_t(g.columns);
    bool any = false;
    for (int32_t c = 0; c < g.columns && !any; ++c) any = cells[first + size_t(c)] != 0;
    if (!any) continue;
    if (!named) out += std::string(name) + "\n";
    named = true;
    out += RowLabel(r, g.rows) + "|";
    for (int32_t c = 0; c < g.columns; ++c) {
      const uint8_t v = cells[first + size_t(c)];
      out.push_back(attributes ? AttributeLetter(v) : (v ? '*' : ' '));
    }
    out += "|\n";
  }
}

}  // namespace

char AttributeLetter(uint8_t attribute) {
  static constexpr char kLetters[] = " ru3456789ABCDEF";
  attribute &= kCellAttributeBits;
  return attribute == kCellBold ? 'b' : kLetters[attribute];
}

bool AttributeFromLetter(char letter, uint8_t* attribute) {
  static constexpr char kLetters[] = " ru34567b9ABCDEF";
  for (uint8_t v = 0; v < 16; ++v) {
    if (kLetters[v] == letter) {
      *attribute = v;
      return true;
    }
  }
  return false;
}

bool ParseGolden(std::string_view content, GoldenScreen* golden, std::string* error) {
  GoldenScreen g;
  Lines lines(content);
  Line line;
  bool header = false;
  while (!header && lines.Next(&line)) {
    if (!line.text.empty() && line.text[0] == '#') {
      g.comments.emplace_back(line.text);
    } else if (!line.text.empty()) {
      if (!ParseHeader(line, &g, error)) return false;
      header = true;
    }
  }
  if (!header) {
    return Fail(lines.number() + 1, "no \"screen COLSxROWS cursor ROW COL\" line", error);
  }
  for (int32_t r = 0; r < g.rows; ++r) {
    if (!lines.Next(&line)) {
      return Fail(
          lines.number() + 1,
          "the file ends after " + std::to_string(r) + " of " + std::to_string(g.rows) + " rows",
          error);
    }
    if (!ParseRow(line, r, &g, error)) return false;
  }
  Block block = Block::kNone;
  bool seen_attributes = false;
  bool seen_masks = false;
  int32_t last_row = -1;
  while (lines.Next(&line)) {
    if (line.text.empty()) continue;
    if (line.text == "attributes" || line.text == "masks") {
      const bool masks = line.text == "masks";
      bool& seen = masks ? seen_masks : seen_attributes;
      if (seen)
        return Fail(line.number, "a second \"" + std::string(line.text) + "\" block", error);
      seen = true;
      block = masks ? Block::kMasks : Block::kAttributes;
      last_row = -1;
      continue;
    }
    if (block == Block::kNone) {
      return Fail(line.number,
                  "expected \"attributes\" or \"masks\" after the rows, found " +
                      QuotedText(line.text, kQuoted),
                  error);
    }
    if (!ParseBlockRow(line, block, &last_row, &g, error)) return false;
  }
  *golden = std::move(g);
  return true;
}

std::string GoldenText(const GoldenScreen& g) {
  std::string out;
  for (const std::string& comment : g.comments) out += comment + "\n";
  char header[96];
  std::snprintf(header, sizeof header, "screen %dx%d cursor %d %d\n", int(g.columns), int(g.rows),
                int(g.cursor_row), int(g.cursor_column));
  out += header;
  const size_t cells = size_t(g.rows > 0 ? g.rows : 0) * size_t(g.columns > 0 ? g.columns : 0);
  if (g.text.size() < cells || g.attributes.size() < cells || g.masks.size() < cells) return out;
  for (int32_t r = 0; r < g.rows; ++r) {
    out += "|" + g.text.substr(size_t(r) * size_t(g.columns), size_t(g.columns)) + "|\n";
  }
  AppendBlock(out, "attributes", g, g.attributes, true);
  AppendBlock(out, "masks", g, g.masks, false);
  return out;
}

GoldenScreen GoldenFromImage(const ScreenImage& image, const GoldenScreen* previous) {
  GoldenScreen g;
  g.rows = image.rows > 0 ? image.rows : 0;
  g.columns = image.columns > 0 ? image.columns : 0;
  if (int64_t(g.rows) * g.columns > kMaxImageCells) g.rows = g.columns = 0;
  g.cursor_row = image.cursor_row;
  g.cursor_column = image.cursor_column;
  const size_t cells = size_t(g.rows) * size_t(g.columns);
  g.text.reserve(cells);
  g.attributes.reserve(cells);
  g.masks.assign(cells, 0);
  for (int32_t r = 0; r < g.rows; ++r) {
    for (int32_t c = 0; c < g.columns; ++c) {
      g.text.push_back(image.Shown(r, c));
      g.attributes.push_back(image.Attribute(r, c));
    }
  }
  if (previous == nullptr) return g;
  g.comments = previous->comments;
  // A screen that grew or shrank keeps the masks that still fall on it: a
  // clock in the top row stays where it was.
  for (int32_t r = 0; r < g.rows && r < previous->rows; ++r) {
    for (int32_t c = 0; c < g.columns && c < previous->columns; ++c) {
      const size_t from = size_t(r) * size_t(previous->columns) + size_t(c);
      if (from < previous->masks.size() && previous->masks[from] != 0) {
        g.masks[size_t(r) * size_t(g.columns) + size_t(c)] = 1;
      }
    }
  }
  return g;
}

}  // namespace marl
