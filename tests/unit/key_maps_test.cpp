#include "input/key_maps.h"

#include <cstdio>
#include <string>

#include "base/settings.h"
#include "base/terminal_config.h"
#include "forms/form.h"
#include "input/key_processor.h"
#include "scenario.h"
#include "screen/display.h"

namespace marl::testing {
namespace {

// Slot 1's form: one field of sixteen cells, the text dialect off, so that
// a turn's end shows as the reply.
#define FORM "binary ; host \\1T\\a:\\@                \\ ; "

const Scenario kMaps[] = {
    // Each map runs up to the next backslash; an empty one does nothing.
    {"LoadsEveryMapUpToTheNextBackslash", FORM R"(
      host \F\ABC\\@E ; reply success ; key F1 ; field 0 ABC ; key F2 F4 ; sent
      key F3 ; sent K\1\0\KABC)"},
    {"AMapOfFifteenBytes", FORM R"(
      host \F\x\123456789012345 ; reply success ; key F2 ; field 0 123456789012345)"},
    // A load that fails leaves no maps at all.
    {"AMapOfSixteenBytesLeavesNone", FORM R"(
      host \F\x\12 ; host \F\x\1234567890123456 ; reply success no-room ; key F1 F2 ; field 0)"},
    {"TwentyFourMaps", FORM R"(
      host \F\a\b\c\d\e\f\g\h\i\j\k\l\m\n\o\p\q\r\s\t\u\v\w\x ; reply success
      key F11 F12 F24 ; field 0 klx)"},
    {"TwentyFiveMapsLeaveNone", FORM R"(
      host \F\a\b\c\d\e\f\g\h\i\j\k\l\m\n\o\p\q\r\s\t\u\v\w\x\y ; reply syntax
      key F1 ; field 0)"},
    {"AMapsTextStartsWithABackslash", FORM R"(
      host \Fx ; reply syntax)"},
    // @T types Tab; @A and a letter ends the turn with that letter.
    {"AtCodesTypeKeysOrEndTheTurn", R"(
      binary ; host \1T\a:\@    \b:\@    \ ; host \F\12@T\34@Aq ; reply success
      key F1 ; field 0 12 ; current 1 ; key F2 ; sent K\1\0\K12\1\K34\\q)"},
    // @A@r and a letter ends the turn with that control letter alone, what
    // the map typed before it dropped.
    {"AWholeReplyLetter", FORM R"(
      host \F\xyz@A@rM ; reply success ; key F1 ; sent K\\<0D> ; field 0)"},
    // @S upper-cases the rest of one map only; a pause is read over; '@' at
    // the very end types nothing; @1 is ';'.
    {"ShiftPauseAndALoneAt", FORM R"(
      host \F\@Sabc\x@rd500;;y\@\@1@~ ; reply success ; key F1 F2 F3 F4 ; field 0 ABCxy;~)"},
    // In the first cell of a table whose header has 0x400 a control
    // character ends the turn with it.
    {"AControlCharacterInATablesFirstCell", R"(
      binary ; host/400,0,3,5 a^<0A>b ; host \F\@rq ; reply success ; key F1 ; sent K<11>)"},
};
SCENARIOS(KeyMapKeys, kMaps);

TEST(KeyMapsLoad, ARefusedLoadKeepsNothing) {
  TestTerminal tt;
  RunScenario(tt, R"(host \F\x\1234567890123456 ; host \Fx ; reply no-room syntax)");
  EXPECT_EQ(tt.t().alloc.bytes_in_use, TestTerminal().t().alloc.bytes_in_use);
}

TEST(KeyMapsOfOlderHosts, FirstMapBelongsToTheTerminal) {
  TestTerminal tt;
  const auto first = [&] {
    RunScenario(tt, FORM R"(
      host \F\one\two ; reply success ; key Clear F1)");
    const Form* form = GetCurrentForm(tt.t());
    return std::string(form->fields[0].buffer, 3);
  };
  EXPECT_EQ(first(), "one");
  char setf0[] = "SETF0";
  ApplySettingLine(tt.t(), setf0);
  EXPECT_EQ(first(), "two");
  RunScenario(tt, "host \\IR ; sent IR16,20,00");  // switches it off again
  EXPECT_EQ(first(), "one");
  std::FILE* marker = std::fopen("C:F1MAP1", "w");
  ASSERT_NE(marker, nullptr);
  std::fclose(marker);
  EXPECT_EQ(first(), "two");
  std::remove("C:F1MAP1");
}

TEST(KeyMaps, ParseKeyMapCodeConsumesWhatItReadsAndNoMore) {
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
    TestTerminal tt;
    Terminal& t = tt.t();
    int32_t index = 0;
    EXPECT_EQ(ParseKeyMapCode(t, c.after_at, &index), c.byte) << c.after_at;
    EXPECT_EQ(index, c.consumed) << c.after_at;
    EXPECT_EQ(t.keys.reply_mode, c.mode) << c.after_at;
  }
}

TEST(KeyMaps, ProgrammableKeyCommandTakesADigitOnly) {
  TestTerminal tt;
  RunScenario(tt, R"(host \O5 ; reply success)");
  SetCursor(tt.t(), 5, 0);
  RunScenario(tt, R"(
      host \Ox ; reply syntax ; row 5 Invalid O_ command: ; row 6         ......000\Ox)");
  EXPECT_EQ(Config(tt.t()).programmable_key, kKeyRight);  // digit 5's, kept
}

}  // namespace
}  // namespace marl::testing
