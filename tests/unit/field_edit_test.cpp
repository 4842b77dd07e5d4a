#include "input/field_edit.h"

#include <gtest/gtest.h>

#include <string>

#include "hand_form.h"
#include "input/field_navigation.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

using namespace std::string_literals;

class FieldEdit : public ::testing::Test {
 protected:
  Terminal& t() { return tt_.t(); }
  int32_t Beeps() {
    int32_t n = 0;
    for (const std::string& e : tt_.Events()) n += e.rfind("beep 440 ", 0) == 0;
    return n;
  }
  TestTerminal tt_;
};

TEST_F(FieldEdit, InsertIntoAFullFieldPushesOutOnlyTrailingBlanks) {
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 4).Text("ABC")});
  form.field(0).data_len = 4;
  Press(t(), kKeyInsert);
  Type(t(), "x");
  EXPECT_EQ(form.Buffer(0), "xABC");
  EXPECT_EQ(form.field(0).data_len, 4);
  EXPECT_EQ(Beeps(), 0);
  Type(t(), "y");  // nothing left to push out
  EXPECT_EQ(form.Buffer(0), "xABC");
  EXPECT_EQ(Beeps(), 1);
  EXPECT_EQ(tt_.Row(0).substr(0, 4), "xABC");
}

TEST_F(FieldEdit, NumericFieldTakesDigitsPointAndMinusOnly) {
  HandForm form(t(), 16, 20, {FieldSpec(2, 3, 6).Flags(kFieldNumeric)});
  Type(t(), "-12.5");
  EXPECT_EQ(Beeps(), 0);
  Type(t(), "A");
  EXPECT_EQ(Beeps(), 1);
  EXPECT_EQ(form.Buffer(0), "-12.5 ");
  EXPECT_EQ(form.field(0).data_len, 5);
  EXPECT_EQ(tt_.Row(2).substr(3, 6), "-12.5 ");
}

TEST_F(FieldEdit, UppercaseProtectedAndScanOnlyFields) {
  HandForm form(t(), 16, 20,
                {FieldSpec(0, 0, 4), FieldSpec(1, 0, 4).Flags(kFieldProtected),
                 FieldSpec(2, 0, 4).Flags(kFieldScanOnly)});
  form->uppercase = 8;
  Type(t(), "ab");
  EXPECT_EQ(form.Buffer(0), "AB  ");
  form->current_field = 1;
  Type(t(), "c");
  EXPECT_EQ(form.field(1).modified, 0);
  form->current_field = 2;
  form->cursor = 0;
  Type(t(), "d");
  EXPECT_EQ(Beeps(), 2);
  t().records.text_dialect = 0;
  Scan(t(), "e");
  EXPECT_EQ(form.Buffer(2), "E   ");
}

TEST_F(FieldEdit, LongFieldScrollsInsteadOfMovingPastItsWindow) {
  HandForm form(t(), 16, 20, {FieldSpec(0, 2, 3).Length(6)});
  Type(t(), "abc");
  EXPECT_EQ(form.field(0).scroll, 1);
  EXPECT_EQ(form->cursor, 2);
  EXPECT_EQ(tt_.Row(0).substr(2, 3), "bc ");
  Type(t(), "de");
  EXPECT_EQ(form.Buffer(0), "abcde ");
  EXPECT_EQ(form.field(0).scroll, 3);
  EXPECT_EQ(tt_.Row(0).substr(2, 3), "de ");
  Type(t(), "f");  // the last cell: full, no more scrolling
  EXPECT_EQ(form.field(0).scroll, 3);
  Press(t(), kKeyHome);
  EXPECT_EQ(tt_.Row(0).substr(2, 3), "abc");
  EXPECT_EQ(form->cursor, 0);
  Press(t(), kKeyLeft);  // at the very start
  EXPECT_EQ(Beeps(), 1);
  Press(t(), kKeyEnd);
  EXPECT_EQ(form->cursor, 3);
  EXPECT_EQ(form.field(0).scroll, 3);
  Type(t(), "g");  // no cell under the cursor after End
  EXPECT_EQ(Beeps(), 1);
  EXPECT_EQ(form.Buffer(0), "abcdef");
}

TEST_F(FieldEdit, FullKeyedFieldMovesOnWithOptionFullFieldMoves) {
  HandForm form(t(), 16, 20,
                {FieldSpec(0, 0, 2), FieldSpec(1, 0, 2).Flags(kFieldProtected), FieldSpec(2, 0, 2)},
                kOptionFullFieldMoves | kOptionSkipProtected);
  Type(t(), "ab");
  EXPECT_EQ(form->current_field, 2);
  EXPECT_EQ(form->cursor, 0);
  EXPECT_EQ(tt_.Sent(), "");
}

TEST_F(FieldEdit, FullScannedFieldSendsWithOptionFullFieldMoves) {
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 2).Flags(kFieldSendWhenFull), FieldSpec(1, 0, 2)},
                kOptionFullFieldMoves);
  form->form_id = 4;
  Scan(t(), "xy");
  // One reply: the full field sends it and the scan's own Enter is dropped.
  EXPECT_EQ(tt_.Sent(), "K\\4\\0\\S\x01xy\\\\w\0F=00\0"s);
}

TEST_F(FieldEdit, BackspaceDeleteAndClearField) {
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 6).Text("abcd")});
  Press(t(), kKeyBackspace);  // at the start
  EXPECT_EQ(Beeps(), 1);
  Press(t(), kKeyRight);
  Press(t(), kKeyRight);
  Press(t(), kKeyBackspace);
  EXPECT_EQ(form.Buffer(0), "acd   ");
  EXPECT_EQ(form->cursor, 1);
  EXPECT_EQ(form.field(0).data_len, 3);
  Press(t(), kKeyDelete);
  EXPECT_EQ(form.Buffer(0), "ad    ");
  EXPECT_EQ(form.TextRow(0).substr(0, 6), "ad    ");
  Press(t(), kKeyClearField);
  EXPECT_EQ(form.Buffer(0), "      ");
  EXPECT_EQ(form.field(0).data_len, 0);
  EXPECT_EQ(form.field(0).modified, 1);
  EXPECT_EQ(Beeps(), 0);
}

TEST_F(FieldEdit, PasswordShowsStarsButKeepsBlanksAndUnderscores) {
  HandForm form(t(), 16, 20, {FieldSpec(3, 0, 6).Flags(kFieldPassword)});
  Type(t(), "a_ 9");
  EXPECT_EQ(form.Buffer(0), "a_ 9  ");
  EXPECT_EQ(tt_.Row(3).substr(0, 6), "*_ *  ");
  EXPECT_EQ(tt_.GridRow(3).substr(0, 6), "*_ *  ");
}

class TableEdit : public FieldEdit {
 protected:
  HandForm MakeTable(uint32_t options) {
    return HandForm::Table(t(), 20, {"Pick:", "row one", "row two", "row three", "row four"}, 1, 10,
                           4, options);
  }
};

TEST_F(TableEdit, RightStopsAtWhatWasEntered) {
  HandForm table = MakeTable(kOptionTableShowEdits | kOptionTableNoAutoSend);
  Type(t(), "12");
  EXPECT_EQ(tt_.Row(1).substr(10, 4), "12  ");
  Press(t(), kKeyRight);
  EXPECT_EQ(table->cursor, 2);
  EXPECT_EQ(Beeps(), 1);
  Press(t(), kKeyLeft);
  Press(t(), kKeyRight);
  EXPECT_EQ(table->cursor, 2);
  EXPECT_EQ(Beeps(), 0);
}

TEST_F(TableEdit, DeleteGivesTheLastCellBackToTheForm) {
  HandForm table = MakeTable(kOptionTableShowEdits | kOptionTableNoAutoSend);
  table.SetText(1, 10, "abcd");
  table.field(0).saved_text[2] = 'c';
  table.field(0).saved_text[3] = 'd';
  Type(t(), "12");
  EXPECT_EQ(table.TextRow(1).substr(10, 4), "12cd");
  Press(t(), kKeyBackspace);
  EXPECT_EQ(table.TextRow(1).substr(10, 4), "1 cd");
  EXPECT_EQ(table.field(0).data_len, 1);
}

TEST_F(TableEdit, FullEntrySendsUnlessTheFormSaysNot) {
  HandForm table = MakeTable(kOptionTableShowEdits);
  t().records.text_dialect = 0;
  Type(t(), "1234");
  EXPECT_EQ(tt_.Sent(), "K1234");
}

TEST_F(TableEdit, DownMovesTheEntryAndRestoresTheRowLeft) {
  HandForm table = MakeTable(kOptionTableShowEdits | kOptionTableNoAutoSend);
  table.SetText(2, 10, "....");
  SaveRowText(table.get());
  Type(t(), "77");
  Press(t(), kKeyDown);
  EXPECT_EQ(table.field(0).row, 2);
  EXPECT_EQ(table.field(0).data_len, 0);
  EXPECT_EQ(std::string(table.field(0).saved_text), "....");
  EXPECT_EQ(table.TextRow(1).substr(10, 4), "    ");
  EXPECT_EQ(tt_.Row(1).substr(10, 4), "    ");
  Type(t(), "5");  // nothing of the row left behind comes along
  EXPECT_EQ(table.TextRow(2).substr(10, 4), "5...");
  Press(t(), kKeyUp);
  Press(t(), kKeyUp);
  EXPECT_EQ(table.field(0).row, 1);  // Up from the first row stays and beeps
  EXPECT_EQ(table.TextRow(2).substr(10, 4), "....");
}

TEST_F(TableEdit, TabOnTheLastRowSendsOnceTheEntryIsLongEnough) {
  HandForm table = MakeTable(kOptionTableShowEdits | kOptionTableNoAutoSend);
  t().records.text_dialect = 0;
  table->min_entry = 2;
  table.field(0).row = 0;  // the row just before the first: the end of the table
  Type(t(), "9");
  Press(t(), kKeyTab);
  EXPECT_EQ(Beeps(), 1);
  EXPECT_EQ(tt_.Sent(), "");
  EXPECT_EQ(table->cursor, 0);
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

TEST_F(TableEdit, LuhnCheckCharacterGuardsTheEntry) {
  EXPECT_EQ(LuhnCheckCharacter("7992739871", 10), '3');
  EXPECT_EQ(LuhnCheckCharacter("", 0), '0');
  HandForm table = MakeTable(0x09 | kOptionTableShowEdits | kOptionTableNoAutoSend);
  EXPECT_EQ(CheckTableEntry(table.get()), 1);  // nothing entered
  table.SetText(1, 10, "4564");
  table.field(0).data_len = 4;
  EXPECT_EQ(CheckTableEntry(table.get()), 1);
  table.SetText(1, 13, "3");
  EXPECT_EQ(CheckTableEntry(table.get()), 0);
  table->cursor = 4;
  Press(t(), kKeyEnter);
  EXPECT_EQ(Beeps(), 1);
  EXPECT_EQ(tt_.Sent(), "");
}

class Navigation : public FieldEdit {};

TEST_F(Navigation, ScanIdentifiedFieldsAreSteppedOver) {
  HandForm form(t(), 16, 20,
                {FieldSpec(0, 0, 2), FieldSpec(1, 0, 2).Identified("#", 1), FieldSpec(2, 0, 2),
                 FieldSpec(3, 0, 2).Identified("$", 0)});
  EXPECT_EQ(NextField(form.get()), 1);
  EXPECT_EQ(form->current_field, 2);
  EXPECT_EQ(NextField(form.get()), 1);  // only skipped ones left: back to the first stop
  EXPECT_EQ(form->current_field, 0);
  form->current_field = 3;
  EXPECT_EQ(NextField(form.get()), 0);  // past the end, no wrapping
  EXPECT_EQ(form->current_field, 3);
  form->current_field = 0;
  EXPECT_EQ(PrevField(form.get()), 0);
  EXPECT_EQ(form->current_field, 0);
  form->options = kOptionWrap;
  EXPECT_EQ(PrevField(form.get()), 1);
  EXPECT_EQ(form->current_field, 2);
}

TEST_F(Navigation, EveryFieldSkippedLeavesTheCurrentFieldAlone) {
  HandForm form(t(), 16, 20,
                {FieldSpec(0, 0, 2).Identified("#", 1), FieldSpec(1, 0, 2).Identified("$", 1)},
                kOptionWrap);
  EXPECT_EQ(NextField(form.get()), 0);
  EXPECT_EQ(form->current_field, 0);
  EXPECT_EQ(PrevField(form.get()), 0);
  EXPECT_EQ(form->current_field, 0);
  Press(t(), kKeyTab);
  EXPECT_EQ(form->current_field, 0);
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
