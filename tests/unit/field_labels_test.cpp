// Fields by number or by label: the label is the text between the field
// and whatever stands before it on its row.
#include "ui/testkit/field_labels.h"

#include <gtest/gtest.h>

#include "golden_fixtures.h"

namespace marl {
namespace {

using testing::ImageOf;

TEST(FieldLabels, FindsFieldsByNumberOrLabel) {
  // Two fields on row 1: the second's label starts after the first ends.
  const ScreenImage screen = ImageOf({"User: ann     ", "Qty:12  Lot:AB", "    ______    "});
  const std::vector<FieldPlace> fields = {{0, 6, 5}, {1, 4, 2}, {1, 12, 2}, {2, 4, 6}};
  struct Case {
    const char* name;
    int32_t found;
    std::string error;
  };
  const Case cases[] = {
      {"User:", 0, ""},
      {" Qty: ", 1, ""},
      {"Lot:", 2, ""},
      {"", 3, ""},  // nothing stands left of the last field
      {"3", 3, ""},
      {"4", -1, "no field 4 (the form has 4 fields)"},
      {"99999999999", -1,
       "no field labelled \"99999999999\" (labels: \"User:\", \"Qty:\", \"Lot:\", \"\")"},
      {"Qty", -1, "no field labelled \"Qty\" (labels: \"User:\", \"Qty:\", \"Lot:\", \"\")"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(FindField(screen, fields, c.name, &error), c.found) << c.name;
    EXPECT_EQ(error, c.error) << c.name;
  }
  std::string error;
  EXPECT_EQ(FindField(screen, {}, "1", &error), -1);
  EXPECT_EQ(error, "the form has no fields");
}

TEST(FieldLabels, PlacesOffTheWindowHaveNoLabel) {
  const ScreenImage screen = ImageOf({"ab: ", "cd: "});
  const std::vector<FieldPlace> fields = {{5, 2, 1}, {0, 40, 1}, {1, -3, 2}, {1, 3, 1}};
  EXPECT_EQ(FieldLabel(screen, fields, 0), "");     // below the last row
  EXPECT_EQ(FieldLabel(screen, fields, 1), "ab:");  // the row up to the window's edge
  EXPECT_EQ(FieldLabel(screen, fields, 2), "");     // left of the window
  EXPECT_EQ(FieldLabel(screen, fields, 3), "cd:");  // the field at -3 ends before the row
  EXPECT_EQ(FieldLabel(screen, fields, 9), "");
}

TEST(FieldLabels, ValuesIgnoreTrailingBlanks) {
  struct Case {
    const char* value;
    const char* expected;
    bool holds;
  };
  for (const Case& c : {Case{"7    ", "7", true}, Case{"7", "7  ", true}, Case{" 7", "7", false},
                        Case{"     ", "", true}, Case{"7 1", "7", false}}) {
    EXPECT_EQ(FieldHolds(c.value, c.expected), c.holds) << c.value << "|" << c.expected;
  }
}

}  // namespace
}  // namespace marl
