#include "input/key_maps.h"

#include <cstdio>

#include "base/terminal_config.h"
#include "forms/form.h"
#include "host_records.h"
#include "input_fixture.h"
#include "screen/display.h"

namespace marl::testing {
namespace {

using namespace std::string_literals;

class KeyMaps : public InputTest {
 protected:
  std::string Map(int32_t slot) {
    const char* map = t().key_maps.maps[slot];
    return map == nullptr ? "(none)" : map;
  }
  // Expands the map of F<n> and gives back the flags and what it plays.
  std::pair<int32_t, std::string> Expand(int32_t n) {
    char out[kMacroBufferSize];
    const int32_t flags = ExpandKeyMap(t(), kFunctionKeyCodes[n - 1], out);
    return {flags, std::string(out)};
  }
};

TEST_F(KeyMaps, LoadsEveryMapUpToTheNextBackslash) {
  EXPECT_EQ(LoadMaps(t(), "\\F\\ABC\\\\@E"), 0);
  EXPECT_EQ(Map(1), "");
  EXPECT_EQ(Map(3), "(none)");
  EXPECT_EQ(Expand(1), std::make_pair(2, "ABC"s));
  EXPECT_EQ(Expand(2), std::make_pair(0, ""s));  // an empty map does nothing
  EXPECT_EQ(Expand(3), std::make_pair(2, "\r"s));
  EXPECT_EQ(Expand(4), std::make_pair(0, ""s));
}

TEST_F(KeyMaps, LengthAndCountLimitsLeaveNoMapsAtAll) {
  EXPECT_EQ(LoadMaps(t(), "\\F\\x\\123456789012345"), 0);
  EXPECT_EQ(Map(1), "123456789012345");
  EXPECT_EQ(LoadMaps(t(), "\\F\\x\\1234567890123456"), 3);
  EXPECT_EQ(Map(0), "(none)");
  std::string many = "\\F";
  for (int32_t i = 0; i < 24; ++i) many += "\\k";
  EXPECT_EQ(LoadMaps(t(), many), 0);
  EXPECT_EQ(Map(23), "k");
  EXPECT_EQ(LoadMaps(t(), many + "\\k"), 9);
  EXPECT_EQ(Map(0), "(none)");
  EXPECT_EQ(LoadMaps(t(), "\\Fx"), 9);
  EXPECT_EQ(LoadMaps(t(), "\\Q"), 9);
  EXPECT_EQ(t().alloc.bytes_in_use, TestTerminal(16, 20).t().alloc.bytes_in_use);
}

TEST_F(KeyMaps, FirstMapBelongsToTheTerminalForOlderHosts) {
  auto first = [&] {
    EXPECT_EQ(LoadMaps(t(), "\\F\\one\\two"), 0);
    return Map(0);
  };
  t().session.text_dialect = 0;
  EXPECT_EQ(first(), "one");
  t().settings.setf0 = 1;
  EXPECT_EQ(first(), "two");
  t().settings.setf0 = 0;
  std::FILE* marker = std::fopen("C:F1MAP1", "w");
  ASSERT_NE(marker, nullptr);
  std::fclose(marker);
  EXPECT_EQ(first(), "two");
  t().session.text_dialect = 1;  // the text dialect never skips
  EXPECT_EQ(first(), "one");
  std::remove("C:F1MAP1");
}

TEST_F(KeyMaps, AtCodesTypeKeysOrEndTheTurn) {
  ASSERT_EQ(LoadMaps(t(), "\\F\\12@T\\12@Aq\\@A@rM\\@Sabc\\@1@b@~\\x@rd500;;y\\@\\@rq"), 0);
  EXPECT_EQ(Expand(1), std::make_pair(2, "12\t"s));
  EXPECT_EQ(Expand(2), std::make_pair(3, "12"s));
  EXPECT_EQ(t().keys.reply_letter, 'q');
  EXPECT_EQ(t().keys.reply_mode, 2);
  EXPECT_EQ(Expand(3), std::make_pair(1, ""s));
  EXPECT_EQ(t().keys.reply_letter, '\r');
  EXPECT_EQ(t().keys.reply_mode, 3);
  t().keys.reply_mode = 0;
  EXPECT_EQ(Expand(4), std::make_pair(2, "ABC"s));
  EXPECT_EQ(t().key_maps.uppercase, 0);  // only for one expansion
  EXPECT_EQ(Expand(5), std::make_pair(2, ";\x05~"s));
  EXPECT_EQ(Expand(6), std::make_pair(2, "xy"s));    // a pause is read over
  EXPECT_EQ(Expand(7), std::make_pair(0, ""s));      // '@' at the very end
  EXPECT_EQ(Expand(8), std::make_pair(2, "\x11"s));  // a control character, typed
  HandForm table(t(), 20, {"a", "b"}, FieldSpec(0, 5, 3), 0x400);
  EXPECT_EQ(Expand(8), std::make_pair(1, ""s));  // in such a table's first cell: the turn ends
  EXPECT_EQ(t().keys.reply_mode, 4);
  EXPECT_EQ(t().keys.reply_letter, 17);
  table->cursor = 1;  // past that cell it is typed again
  EXPECT_EQ(Expand(8), std::make_pair(2, "\x11"s));
}

TEST_F(KeyMaps, ParseKeyMapCodeConsumesWhatItReadsAndNoMore) {
  struct Case {
    const char* after_at;
    uint8_t byte;
    int32_t consumed;
    int32_t mode;
  } cases[] = {
      {"A@@", '@', 3, 2}, {"A@rj", 10, 4, 3},      {"A@x", 'A', 3, 2},         {"A\x01", 0, 1, 2},
      {"Az", 'z', 2, 2},  {"A", 0, 1, 2},          {"A@", 'A', 2, 2},          {"rq", 17, 2, 1},
      {"S", 'S', 1, 0},   {"rd12;;;", 0xFF, 6, 0}, {"rd99999999", 0xFF, 7, 0},
  };
  for (const Case& c : cases) {
    t().keys.reply_mode = 0;
    int32_t index = 0;
    EXPECT_EQ(ParseKeyMapCode(t(), c.after_at, &index), c.byte) << c.after_at;
    EXPECT_EQ(index, c.consumed) << c.after_at;
    EXPECT_EQ(t().keys.reply_mode, c.mode) << c.after_at;
  }
}

TEST_F(KeyMaps, ProgrammableKeyCommandTakesADigitOnly) {
  tt_.Host(Command("\\O5"));
  EXPECT_EQ(tt_.Sent(), Reply(kStatusSuccess));
  SetCursor(t(), 5, 0);
  tt_.Host(Command("\\Ox"));
  EXPECT_EQ(tt_.Sent(), Reply(kStatusSyntax));
  EXPECT_EQ(tt_.Row(5).substr(0, 19), "Invalid O_ command:");
  EXPECT_EQ(tt_.Row(6).substr(0, 20), "        .00000000\\Ox");
  EXPECT_EQ(Config(t()).programmable_key, kKeyRight);  // digit 5's, kept
}

}  // namespace
}  // namespace marl::testing
