// Stored tables, table texts and '/' parts as the host sends them: each
// case a scenario of host records, keys, and what comes back and shows.
#include "commands/tables.h"

#include <cstdio>
#include <string>

#include "forms/form.h"
#include "forms/form_builder.h"
#include "scenario.h"
#include "screen/display.h"

namespace marl::testing {
namespace {

// A rebuild (header 0x1000) shows a slot's stored text afresh, so the rows
// show what the slot holds.
const Scenario kTables[] = {
    {"StoringAgainExtendsTheShownFormAndKeepsTheEntry", R"(
      host \3S\Qty:\@1 ; host \3 ; type 9 ; host \3T\Lot:\@2 ; row 0 Qty:9Lot:2
      host \3V\1I@7 ; row 0 Qty:9Lot:7
      # the \S alone answers
      reply success ; host/1000 \3 ; row 0 Qty:1Lot:7)"},
    {"NoCountIsSlotZeroAndAnOutOfRangeCountIsToo", R"(
      host \S\E:\@v ; host/30 \40S\F:\@u ; host \0 ; row 0 E:vF:u
      host \30 ; reply success success bad-number)"},
    {"SlotsRunFrom0To24", R"(
      host \0S\A:\@x ; host \24S\B:\@y ; host \0 ; row 0 A:x ; host \24 ; row 0 B:y
      # a shown table text's form lies past the last slot
      host Pick:|C ; host \25 ; host \25U\0I@1 ; host \25V\0I@1
      reply success success bad-number bad-number bad-number
      # stored in slot 0, as with no count
      host \25S\C:\@z ; reply success ; host/1000 \0 ; row 0 A:xC:z)"},
    {"HeaderBit20EmptiesTheSlotFirst", R"(
      host \1S\A:\@x ; host \2S\B:\@y ; host/20 \2S\C:\@z ; host \2 ; row 0 C:z
      host \1 ; row 0 A:x)"},
    {"HeaderBit10EmptiesEverySlot", R"(
      host \1S\A:\@x ; host/10 \4S\D:\@w ; host \4 ; row 0 D:w
      host \1 ; reply success success bad-number)"},
    {"StoringRefusesBadArguments", R"(
      host \3SA:\@x ; host \3S\A: ; host \3S\A:\@x\B ; host \3
      # three strings, ending with '\'
      host \3S\A:\@x\ ; reply syntax open-string open-string bad-number success)"},
    {"ShowingAgainKeepsTheFormAndRebuildingReplacesIt", R"(
      host \7S\Qty:\@1 ; host \7 ; type 9 ; host \7 ; field 0 9 ; host/1000 \7 ; field 0 1)"},
    {"UpdateRefusesBadCommandsAndAppliesNone", R"(
      host \5S\Qty:\@1\Lot:\@2 ; host \5U\2I@9 ; host \5U\25I@9
      host \5U\24I@9 ; reply success no-such-field field-out-of-range no-such-field
      host \5U\1X@9 ; host \5U\I@9 ; host \5UI@9
      host \6U\1I@9 ; reply syntax syntax syntax bad-number
      # a bad second command: nothing is applied
      host \5U\0I@7\9I@1 ; reply no-such-field ; host/1000 \5 ; row 0 Qty:1Lot:2)"},
    {"UpdateOfAShownFormKeepsWhatWasDoneBeforeARefusal", R"(
      host \5S\Qty:\@1\Lot:\@2 ; host \5
      # the form has no room for a longer label
      host \5U\1PLots: ; host \5U\0PQ:\1I@77\0I@3 ; reply success no-room success
      host/1000 \5 ; row 0 Q:1Lot:2 ; host \5U\1I@7 ; host \5 ; row 0 Q:1Lot:7)"},
    {"EachUpdateCommandWorksOnTheResultOfTheOneBefore", R"(
      host \6S\Qty:\@12\Lot:\@2\ ; host \6U\0PQ:\1FL:\N3\0IB4 ; reply success success
      host/1000 \6 ; row 0 Q:4L:3)"},
    {"SlashPartsJoinUnderTheLastPartsHeader", R"(
      host /FFirst^<0A> ; host /MSecond^<0A>
      host/0,2,0,46 /LThird ; row 0 First ; row 1 Second ; row 2 Third
      # refused, the table kept
      host /Xoops ; reply success success failure ; row 2 Third
      # a last part alone is a whole table
      host /LOnly ; row 0 Only
      # left pending
      host /Fpending ; host /F ; host /)"},
};
SCENARIOS(Tables, kTables);

// Holds a terminal and, when the test ends, releases every table and form
// and checks that every byte came back.
class TableTexts : public ::testing::Test {
 protected:
  // The current form's entry: offset, place, width, flags; then its rows.
  std::string Entry() {
    const Form* f = GetCurrentForm(tt.t());
    if (f == nullptr || f->field_count != 1) return "(none)";
    const FormField& e = f->fields[0];
    char line[80];
    std::snprintf(line, sizeof line, "%d at %d,%d width %d flags %d rows %d+%d", e.data_offset,
                  e.row, e.column, e.width, e.flags, f->table_first, f->table_rows);
    return line;
  }
  void Play(const std::string& script) { RunScenario(tt, script); }
  void TearDown() override {
    ReleaseAllTables(tt.t());
    ReleaseTableForms(tt.t());
    EXPECT_EQ(GetCurrentForm(tt.t()), nullptr);
    EXPECT_EQ(tt.t().alloc.bytes_in_use, start_);
  }
  TestTerminal tt;
  const int32_t start_ = tt.t().alloc.bytes_in_use;
};

TEST_F(TableTexts, EntryAtTheCursorMarkOrTheHeaderPosition) {
  // Checked before replies are switched off.
  Play("host Pick|D42\nreply bad-string");
  Play("host/0,2,4,7 Pick:|C^<0A>row\nsent");
  EXPECT_EQ(Entry(), "5 at 0,5 width 4 flags 16 rows 0+2");
  Play("host/58,0,0,23 Pick^<0A>row\nsent");
  EXPECT_EQ(Entry(), "23 at 1,3 width 3 flags 10 rows 1+2");
  Play("host /FFirst^<0A>\nhost /MSecond^<0A>\nhost/0,2,0,46 /LThird\nreply success success");
  EXPECT_EQ(Entry(), "46 at 2,6 width 2 flags 16 rows 2+3");
  Play("host \\1x\nreply failure");  // replies are on again
}

// The host cannot send such a continuation (it is an open string), but the
// stored text of a slot that grows is parsed into the shown form so.
TEST_F(TableTexts, TextParsedIntoAShownFormAppendsToAFieldTheUserChanged) {
  Play("host \\7S\\Qty:\\@1234\nhost \\7\nkey Clear\ntype 9");
  Form* form = GetCurrentForm(tt.t());
  ParseFormText(tt.t(), form, "\\ more|Eabcdefghijklmnop", 0);
  EXPECT_STREQ(form->fields[0].buffer, "9   abcdefghijklmnop");
  EXPECT_EQ(form->fields[0].length, 20);
}

TEST_F(TableTexts, PaddingMakesRoomForTheEntry) {
  TestTerminal narrow(16, 10);
  RunScenario(narrow, "host/0,5,0,8 0123456789\nrow 0 0123456789\nrow 1");
  EXPECT_EQ(GetCurrentForm(narrow.t())->row_count, 1);
  // An entry wider than the rest of the row adds rows, the last one blank.
  RunScenario(narrow, "host/0,12,0,8 0123456789\nrow 0 0123456789");
  EXPECT_EQ(GetCurrentForm(narrow.t())->row_count, 3);
  ReleaseTableForms(narrow.t());
}

TEST_F(TableTexts, DefinitionsLongerThanTheWorkBuffers) {
  const std::string data(1000, 'x');
  Play("host \\5S\\A:\\A" + data + "\nhost \\5U\\0IA" + std::string(1590, 'y') +
       "\nreply success no-room\nhost/1000 \\5\nrow 0 A:" + data.substr(0, 18));
  Play("host \\5S\\B:\\A" + std::string(700, 'z') + "\nhost \\5U\\0IAy\nreply success no-room");
}

}  // namespace
}  // namespace marl::testing
