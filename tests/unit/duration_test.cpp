// Durations: every row of tests/goldens/durations.txt (which the Python
// client reads too), and the words a report writes reading back as the
// same time.
#include "ui/testkit/duration.h"

#include <gtest/gtest.h>

#include <sstream>

#include "golden_fixtures.h"

namespace marl {
namespace {

// The table's \xHH escapes as their bytes.
std::string Unescape(const std::string& word) {
  std::string out;
  for (size_t i = 0; i < word.size(); ++i) {
    if (word.compare(i, 2, "\\x") == 0 && i + 4 <= word.size()) {
      out.push_back(char(std::stoi(word.substr(i + 2, 2), nullptr, 16)));
      i += 3;
    } else {
      out.push_back(word[i]);
    }
  }
  return out;
}

TEST(Duration, ReadsEveryRowOfTheSharedTable) {
  std::istringstream table(testing::ReadFixture("durations.txt"));
  std::string line;
  int rows = 0;
  while (std::getline(table, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    const std::string word = Unescape(line.substr(0, tab));
    const std::string expected = line.substr(tab + 1);
    int64_t ms = -1;
    std::string error;
    const std::string got =
        ParseDuration(word, &ms, &error) ? std::to_string(ms) : "error: " + error;
    EXPECT_EQ(got, expected) << "word " << line.substr(0, tab);
    ++rows;
  }
  EXPECT_GE(rows, 30) << "tests/goldens/durations.txt is missing";
}

TEST(Duration, FormatsTheShortestWordsThatReadBack) {
  struct Case {
    int64_t ms;
    const char* word;
  };
  for (const Case& c : {Case{0, "0ms"}, Case{999, "999ms"}, Case{1000, "1s"}, Case{1500, "1.5s"},
                        Case{1050, "1.05s"}, Case{61001, "61.001s"}, Case{-3, "0ms"},
                        Case{kMaxDurationMs, "86400s"}}) {
    EXPECT_EQ(FormatDuration(c.ms), c.word);
    int64_t back = -1;
    std::string error;
    ASSERT_TRUE(ParseDuration(c.word, &back, &error)) << error;
    EXPECT_EQ(back, c.ms < 0 ? 0 : c.ms);
  }
}

}  // namespace
}  // namespace marl
