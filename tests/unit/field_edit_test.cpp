#include "input/field_edit.h"

#include "base/session.h"
#include "forms/form.h"
#include "forms/form_display.h"
#include "input/field_navigation.h"
#include "input_fixture.h"
#include "scenario.h"

namespace marl::testing {
namespace {

using namespace std::string_literals;

// Error beeps since the last look at the events.
int32_t Beeps(TestTerminal& tt) {
  int32_t n = 0;
  for (const std::string& e : tt.Events()) n += e.rfind("beep 440 ", 0) == 0;
  return n;
}

using FieldEdit = InputTest;

// One field at column 3 of a form whose header (0x08) asks for capitals;
// the window shows what the field holds, or '*' for a password's cells.
const Scenario kEditing[] = {
    {"TypingIsUpperCased", R"(host/8 \1T\ab:\@      \ ; type ab ; field 0 AB ; row 0 ab:AB)"},
    {"NumericFieldRefusesALetter", R"(
      host/8 \1T\ab:\B      \ ; type -1.5A ; field 0 -1.5 ; row 0 ab:-1.5 ; events beep 440 120)"},
    {"ProtectedFieldRefusesTyping", R"(
      host/8 \1T\ab:\D      \ ; type c ; field 0 ; events beep 440 120)"},
    {"ACodeThatIsNoCharacterBeeps", R"(
      host/8 \1T\ab:\@      \ ; key EndProgram ; type a ; field 0 A ; events beep 440 120)"},
    {"ScanOnlyFieldRefusesTyping", R"(
      host/8 \1T\ab:\<C0>      \ ; type d ; field 0 ; events beep 440 120)"},
    {"PasswordShowsStarsForWhatIsTyped", R"(
      host/8 \1T\ab:\A      \ ; type a_ 9 ; field 0 A_ 9 ; row 0 ab:*_ *
      grid 0 <20><20><20>*_ * ; events)"},
    // Insert pushes out trailing blanks only: one for '1', none for '2'.
    {"InsertPushesOutTrailingBlanksOnly", R"(
      host/8 \1T\ab:\@ABC \ ; key End Left ; type <20> ; key Home Insert ; type 12
      field 0 1ABC ; row 0 ab:1ABC ; events beep 440 120)"},
    {"BackspaceAndDeleteCloseUp", R"(
      host/8 \1T\ab:\@ABCD  \ ; key Right Right Left Backspace Delete ; field 0 CD ; row 0 ab:CD
      events)"},
    {"BackspaceRefusedAtTheStartAndClearBlanksEveryCell", R"(
      host/8 \1T\ab:\@ABCDEF\ ; key Backspace Right Clear ; field 0 ; row 0 ab:
      events beep 440 120)"},
    // A field longer than its cells scrolls them, and never past its length.
    {"ALongFieldScrollsItsCells", R"(
      host/8 \1T\ab:\@|L6   \ ; type abcd ; field 0 ABCD ; row 0 ab:CD ; grid 0 <20><20><20>CD
      events)"},
    {"ALongFieldStopsAtItsStart", R"(
      host/8 \1T\ab:\@|L6   \ ; type abcdef ; key Home Left ; field 0 ABCDEF ; row 0 ab:ABC
      events beep 440 120)"},
    {"ALongFieldStopsAtItsLength", R"(
      host/8 \1T\ab:\@|L6   \ ; type abcdef ; key Home End ; type g ; field 0 ABCDEF
      row 0 ab:DEF ; events beep 440 120)"},
};
SCENARIOS(EditingKeys, kEditing);

TEST_F(FieldEdit, FullFieldMovesOnPastProtectedOnesOrSendsWhenScanned) {
  HandForm form(t(), 16, 20,
                {FieldSpec(0, 0, 2), FieldSpec(1, 0, 2).Flags(kFieldProtected),
                 FieldSpec(2, 0, 2).Flags(kFieldScanOnly | kFieldSendWhenFull)},
                kOptionFullFieldMoves | kOptionSkipProtected);
  form->form_id = 4;
  Type(t(), "ab");
  EXPECT_EQ(form->current_field, 2);
  EXPECT_EQ(tt_.Sent(), "");
  Scan(t(), "xy");
  // A scan fills the scan-only field; its Enter is dropped for the reply the full field sent.
  EXPECT_EQ(tt_.Sent(), "K\\4\\0\\Kab\\2\\S\x01xy\\\\w\0F=02\0"s);
}

class TableEdit : public InputTest {
 protected:
  HandForm MakeTable(uint32_t options = kOptionTableShowEdits | kOptionTableNoAutoSend) {
    return HandForm(t(), 20, {"Pick:", "row one", "row two", "row three", "row four"},
                    FieldSpec(1, 10, 4), options);
  }
};

TEST_F(TableEdit, EditsStayWithinTheEntryAndMovingOnRestoresTheRowLeft) {
  HandForm table = MakeTable();
  table.SetText(1, 10, "abcd");
  table.SetText(2, 10, "....");
  SaveRowText(table.get());
  Type(t(), "12");
  EXPECT_EQ(table.TextRow(1).substr(10, 4), "12cd");
  // Right goes up to the end of the entry, not past it.
  for (int32_t key : {kKeyLeft, kKeyRight, kKeyRight}) Press(t(), key);
  EXPECT_EQ(Beeps(tt_), 1);
  EXPECT_EQ(table->cursor, 2);
  Press(t(), kKeyBackspace);  // the last cell entered gets the form's own back
  EXPECT_EQ(table.TextRow(1).substr(10, 4), "1bcd");
  EXPECT_EQ(tt_.Row(1).substr(10, 4), "1b  ");
  EXPECT_EQ(table.field(0).data_len, 1);
  Press(t(), kKeyDown);
  EXPECT_EQ(table.TextRow(1).substr(10, 4), "abcd");
  EXPECT_EQ(tt_.Row(1).substr(10, 4), "abcd");
  // Only the row's text and the entry's length go back: the field buffer
  // keeps what was typed, and the echo shows it again on the next row.
  EXPECT_EQ(table.field(0).data_len, 0);
  EXPECT_STREQ(table.field(0).buffer, "12");
  Type(t(), "5");
  EXPECT_EQ(table.TextRow(2).substr(10, 4), "52..");
  EXPECT_EQ(tt_.Row(2).substr(10, 4), "52  ");
  Press(t(), kKeyUp);
  Press(t(), kKeyUp);  // from the first row: the entry is sent, as Tab on the last does
  EXPECT_EQ(tt_.Sent(), "K\0F=00\0"s);
  EXPECT_EQ(table.field(0).row, 1);
  EXPECT_EQ(table.TextRow(2).substr(10, 4), "....");
}

TEST_F(TableEdit, FullEntrySendsOnlyWithTheRightCheckDigit) {
  EXPECT_EQ(LuhnCheckCharacter("7992739871", 10), '3');
  EXPECT_EQ(LuhnCheckCharacter("", 0), '0');
  HandForm table = MakeTable(0x09 | kOptionTableShowEdits);
  t().session.text_dialect = 0;
  Type(t(), "4563");
  Press(t(), kKeyEnter);
  EXPECT_EQ(Beeps(tt_), 2);
  EXPECT_EQ(tt_.Sent(), "");
  Type(t(), "4");  // over the last cell
  EXPECT_EQ(tt_.Sent(), "K4564");
}

TEST_F(TableEdit, TabOnTheLastRowSendsOnceTheEntryIsLongEnough) {
  HandForm table = MakeTable();
  t().session.text_dialect = 0;
  table->min_entry = 2;
  table.field(0).row = 0;  // the row just before the first: the end of the table
  Type(t(), "9");
  Press(t(), kKeyTab);
  EXPECT_EQ(Beeps(tt_), 1);
  EXPECT_EQ(tt_.Sent(), "");
  Press(t(), kKeyRight);
  Type(t(), "8");
  Press(t(), kKeyTab);
  EXPECT_EQ(tt_.Sent(), "K98");
  // With wrapping the same key moves on to the first row instead.
  ClearWaitingForHost(t());
  table->options |= kOptionWrap;
  Press(t(), kKeyTab);
  EXPECT_EQ(table.field(0).row, 1);
}

using Navigation = InputTest;

TEST_F(Navigation, ScanIdentifiedFieldsAreSteppedOver) {
  HandForm form(t(), 16, 20,
                {FieldSpec(0, 0, 2), FieldSpec(1, 0, 2).Identified("#", 1), FieldSpec(2, 0, 2),
                 FieldSpec(3, 0, 2).Identified("$", 0)});
  // From `from`, what the step returns and where it lands.
  auto step = [&](int32_t (*move)(Form*), int32_t from) {
    form->current_field = from;
    const int32_t moved = move(form.get());
    return std::make_pair(moved, form->current_field);
  };
  EXPECT_EQ(step(NextField, 0), std::make_pair(1, 2));
  EXPECT_EQ(step(NextField, 2), std::make_pair(1, 0));  // only skipped ones left: the first
  EXPECT_EQ(step(NextField, 3), std::make_pair(0, 3));  // past the end, no wrapping
  EXPECT_EQ(step(PrevField, 0), std::make_pair(0, 0));
  form->options = kOptionWrap;
  EXPECT_EQ(step(PrevField, 0), std::make_pair(1, 2));
  form.field(0).navigation_skip = form.field(2).navigation_skip = 1;
  EXPECT_EQ(step(NextField, 0), std::make_pair(0, 0));  // nowhere to stop
  EXPECT_EQ(step(PrevField, 0), std::make_pair(0, 0));
}

TEST_F(Navigation, ProtectedFieldsAreSkippedAtMostTenTimes) {
  std::vector<FieldSpec> fields{FieldSpec(0, 0, 2)};
  for (int32_t i = 1; i < 14; ++i) fields.push_back(FieldSpec(i, 0, 2).Flags(kFieldProtected));
  HandForm form(t(), 16, 20, fields, kOptionSkipProtected | kOptionWrap);
  Press(t(), kKeyTab);
  EXPECT_EQ(form->current_field, 11);  // one step and ten skips
  form->current_field = 0;
  form.field(13).flags = 0;
  Press(t(), kKeyUp);  // wraps back to the last field, which is open
  EXPECT_EQ(form->current_field, 13);
}

}  // namespace
}  // namespace marl::testing
