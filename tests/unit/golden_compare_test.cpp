// A window against its golden: every case of tests/goldens/compare (which
// the Python client checks too) gives its expected summary and diff.
#include "ui/testkit/golden_compare.h"

#include <gtest/gtest.h>

#include "golden_fixtures.h"

namespace marl {
namespace {

using testing::FixtureNames;
using testing::ImageFromDump;
using testing::ReadFixture;

TEST(GoldenCompare, EveryFixtureGivesItsDiff) {
  const std::vector<std::string> names = FixtureNames("compare", ".golden");
  ASSERT_GE(names.size(), 6u) << "tests/goldens/compare is missing";
  for (const std::string& name : names) {
    GoldenScreen golden;
    std::string error;
    ASSERT_TRUE(ParseGolden(ReadFixture("compare/" + name + ".golden"), &golden, &error))
        << name << ": " << error;
    const ScreenImage image = ImageFromDump(ReadFixture("compare/" + name + ".screen"));
    const GoldenComparison comparison = CompareGolden(golden, image);
    EXPECT_EQ(GoldenDiffText(golden, image, comparison),
              ReadFixture("compare/" + name + ".expected"))
        << name;
  }
}

TEST(GoldenCompare, CountsWhatDiffers) {
  GoldenScreen golden;
  std::string error;
  ASSERT_TRUE(ParseGolden("screen 4x1 cursor 0 2\n|ab d|\nattributes\n0 |r   |\nmasks\n0 |   *|\n",
                          &golden, &error));
  struct Case {
    const char* name;
    std::string bytes;
    std::vector<uint8_t> attributes;
    int32_t cursor_column;
    int32_t text, attribute;
    bool cursor, matches;
  };
  const Case cases[] = {
      {"the same", "ab d", {1, 0, 0, 0}, 2, 0, 0, false, true},
      {"a masked cell changes", "ab x", {1, 0, 0, 8}, 2, 0, 0, false, true},
      {"a character", "Ab d", {1, 0, 0, 0}, 2, 1, 0, false, false},
      {"text and attribute on one cell count as text", "xb d", {0, 0, 0, 0}, 2, 1, 0, false, false},
      {"an attribute", "ab d", {1, 2, 0, 0}, 2, 0, 1, false, false},
      {"high bits: no attribute a test tells", "ab d", {0x11, 0x80, 0, 0}, 2, 0, 0, false, true},
      {"the cursor", "ab d", {1, 0, 0, 0}, 3, 0, 0, true, false},
      {"a short image is blanks", "ab", {1}, 2, 0, 0, false, true},
  };
  for (const Case& c : cases) {
    ScreenImage image;
    image.rows = 1;
    image.columns = 4;
    image.bytes = c.bytes;
    image.attributes = c.attributes;
    image.cursor_column = c.cursor_column;
    const GoldenComparison r = CompareGolden(golden, image);
    EXPECT_EQ(r.text_cells, c.text) << c.name;
    EXPECT_EQ(r.attribute_cells, c.attribute) << c.name;
    EXPECT_EQ(r.cursor_differs, c.cursor) << c.name;
    EXPECT_EQ(r.matches(), c.matches) << c.name;
  }
}

}  // namespace
}  // namespace marl
