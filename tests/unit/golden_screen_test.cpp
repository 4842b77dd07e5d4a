// Golden files: reading them (every case of tests/goldens/parse, which the
// Python client reads too), writing them back, and an update that keeps
// what a person added.
#include "ui/testkit/golden_screen.h"

#include <gtest/gtest.h>

#include "golden_fixtures.h"
#include "temp_dir.h"
#include "ui/testkit/golden_file.h"

namespace marl {
namespace {

using testing::FixtureNames;
using testing::ImageOf;
using testing::ReadFixture;

// Each NAME.golden reads as NAME.expected: the file written back, or the
// error line.
TEST(GoldenScreen, ReadsEveryFixtureAsExpected) {
  const std::vector<std::string> names = FixtureNames("parse", ".golden");
  ASSERT_GE(names.size(), 20u) << "tests/goldens/parse is missing";
  for (const std::string& name : names) {
    GoldenScreen golden;
    std::string error;
    const std::string got = ParseGolden(ReadFixture("parse/" + name + ".golden"), &golden, &error)
                                ? GoldenText(golden)
                                : "error: " + error + "\n";
    EXPECT_EQ(got, ReadFixture("parse/" + name + ".expected")) << name;
  }
}

TEST(GoldenScreen, AttributeLettersRoundTripForEveryValue) {
  for (uint8_t v = 0; v < 16; ++v) {
    uint8_t back = 0xFF;
    ASSERT_TRUE(AttributeFromLetter(AttributeLetter(v), &back)) << int(v);
    EXPECT_EQ(back, v);
  }
  struct Case {
    uint8_t value;
    char letter;
  };
  for (const Case& c :
       {Case{0, ' '}, Case{kCellReverse, 'r'}, Case{kCellUnderline, 'u'}, Case{kCellBold, 'b'},
        Case{kCellReverse | kCellBold, '9'}, Case{0x0F, 'F'}, Case{0x1B, 'B'}}) {
    EXPECT_EQ(AttributeLetter(c.value), c.letter) << int(c.value);
  }
  uint8_t ignored = 0;
  for (char bad : {'8', '1', 'a', 'R', '.', '\0'}) {
    EXPECT_FALSE(AttributeFromLetter(bad, &ignored)) << bad;
  }
}

TEST(GoldenScreen, UpdateKeepsCommentsAndTheMasksThatStillFit) {
  GoldenScreen previous;
  std::string error;
  ASSERT_TRUE(ParseGolden("# why\nscreen 3x2 cursor 0 0\n|abc|\n|def|\nmasks\n0 |  *|\n1 |*  |\n",
                          &previous, &error))
      << error;
  struct Case {
    const char* name;
    ScreenImage image;
    const char* text;
  };
  const Case cases[] = {
      {"same size", ImageOf({"xyz", "uvw"}, 1, 2, {0, 0, 0, 0, 1, 0}),
       "# why\nscreen 3x2 cursor 1 2\n|xyz|\n|uvw|\nattributes\n1 | r |\nmasks\n0 |  *|\n"
       "1 |*  |\n"},
      {"narrower: the mask in the last column goes", ImageOf({"xy", "uv"}, 0, 0, {0, 0, 0, 0}),
       "# why\nscreen 2x2 cursor 0 0\n|xy|\n|uv|\nmasks\n1 |* |\n"},
      {"taller: new rows have none", ImageOf({"abc", "def", "ghi"}, 0, 0, {}),
       "# why\nscreen 3x3 cursor 0 0\n|abc|\n|def|\n|ghi|\nmasks\n0 |  *|\n1 |*  |\n"},
      {"bytes a person sees as dots", ImageOf({"a\x01\xff", "   "}, 0, 0, {}),
       "# why\nscreen 3x2 cursor 0 0\n|a..|\n|   |\nmasks\n0 |  *|\n1 |*  |\n"},
  };
  for (const Case& c : cases) {
    const GoldenScreen updated = GoldenFromImage(c.image, &previous);
    EXPECT_EQ(GoldenText(updated), c.text) << c.name;
    GoldenScreen reread;
    EXPECT_TRUE(ParseGolden(GoldenText(updated), &reread, &error)) << c.name << ": " << error;
  }
}

TEST(GoldenScreen, AnImageWithTooFewCellsReadsAsBlanks) {
  ScreenImage image = ImageOf({"ab", "cd"}, 0, 0, {1});
  image.bytes.resize(3);
  EXPECT_EQ(GoldenText(GoldenFromImage(image, nullptr)),
            "screen 2x2 cursor 0 0\n|ab|\n|c |\nattributes\n0 |r |\n");
}

TEST(GoldenScreen, FilesSayWhichAndHowToMakeOne) {
  testing::TempDir dir;
  const std::string path = dir.File("menu.golden");
  GoldenScreen golden;
  std::string error;
  EXPECT_EQ(LoadGolden(path, &golden, &error), GoldenLoad::kMissing);
  EXPECT_EQ(error, "no golden screen \"" + path +
                       "\"; run with --update-goldens to write it from the window");
  dir.Write("menu.golden", "screen 2x1 cursor 0 0\n|ab|\nmasks\n0 |#|\n");
  EXPECT_EQ(LoadGolden(path, &golden, &error), GoldenLoad::kFailed);
  EXPECT_EQ(error,
            path + ": line 4: expected \"ROW |2 characters|\" with ROW 0 to 0, found \"0 |#|\"");
  EXPECT_EQ(LoadGolden(dir.path(), &golden, &error), GoldenLoad::kFailed);

  ASSERT_TRUE(ParseGolden("# kept\nscreen 2x1 cursor 0 1\n|ab|\nmasks\n0 | *|\n", &golden, &error));
  ASSERT_TRUE(SaveGolden(path, golden, &error)) << error;
  GoldenScreen back;
  ASSERT_EQ(LoadGolden(path, &back, &error), GoldenLoad::kLoaded) << error;
  EXPECT_EQ(GoldenText(back), "# kept\nscreen 2x1 cursor 0 1\n|ab|\nmasks\n0 | *|\n");
}

}  // namespace
}  // namespace marl
