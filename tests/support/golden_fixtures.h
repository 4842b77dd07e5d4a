// The golden files under tests/goldens that the C++ and the Python readers
// both check themselves against, and screens as `screen` and `attrs` print
// them.
#pragma once

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "ui/testkit/screen_image.h"

namespace marl::testing {

inline std::string GoldensDir() {
  return MARL_GOLDENS_DIR;
}

inline std::string ReadFixture(const std::string& relative) {
  std::ifstream in(GoldensDir() + "/" + relative, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// The names (without `extension`) of the files in a folder of tests/goldens.
inline std::vector<std::string> FixtureNames(const std::string& folder,
                                             const std::string& extension) {
  std::vector<std::string> names;
  if (DIR* dir = opendir((GoldensDir() + "/" + folder).c_str())) {
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > extension.size() &&
          name.compare(name.size() - extension.size(), extension.size(), extension) == 0) {
        names.push_back(name.substr(0, name.size() - extension.size()));
      }
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A screen of `rows`, each as wide as the first, with the cursor and the
// attributes (none: fewer cells than the screen has) as given.
inline ScreenImage ImageOf(const std::vector<std::string>& rows, int32_t cursor_row = 0,
                           int32_t cursor_column = 0, std::vector<uint8_t> attributes = {}) {
  ScreenImage image;
  image.rows = int32_t(rows.size());
  image.columns = rows.empty() ? 0 : int32_t(rows[0].size());
  for (const std::string& row : rows) image.bytes += row;
  image.attributes = std::move(attributes);
  image.cursor_row = cursor_row;
  image.cursor_column = cursor_column;
  return image;
}

// "screen ROWS COLS ROW COL", the rows, then "attrs ..." and a hex digit a
// cell: what the automation's `screen` and `attrs` answer.
inline ScreenImage ImageFromDump(const std::string& dump) {
  ScreenImage image;
  std::istringstream in(dump);
  std::string word;
  in >> word >> image.rows >> image.columns >> image.cursor_row >> image.cursor_column;
  in.ignore(1);
  std::string line;
  for (int32_t r = 0; r < image.rows && std::getline(in, line); ++r) image.bytes += line;
  std::getline(in, line);  // the attrs heading
  for (int32_t r = 0; r < image.rows && std::getline(in, line); ++r) {
    for (char c : line)
      image.attributes.push_back(uint8_t(std::stoi(std::string(1, c), nullptr, 16)));
  }
  return image;
}

}  // namespace marl::testing
