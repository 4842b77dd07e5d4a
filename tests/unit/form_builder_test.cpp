#include "forms/form_builder.h"

#include <gtest/gtest.h>

#include <string>

#include "command_record.h"
#include "forms/form.h"
#include "forms/tables.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

TEST(FormBuilder, OneFieldWithItsOffsetsAndBuffers) {
  TestTerminal tt(16, 20);
  BuiltForm b = BuildFieldForm(tt.t(), "\\Name:\\Aabc\\");
  ASSERT_NE(b.form, nullptr);
  const Form& f = *b.form;
  ASSERT_EQ(f.field_count, 1);
  const FormField& field = f.fields[0];
  EXPECT_EQ(field.label_offset, 0);
  EXPECT_EQ(field.data_offset, 5);
  EXPECT_EQ(field.row, 0);
  EXPECT_EQ(field.column, 5);
  EXPECT_EQ(field.flags, 'A');
  EXPECT_EQ(field.width, 3);
  EXPECT_EQ(field.length, 3);
  EXPECT_STREQ(field.saved_text, "abc");
  EXPECT_EQ(field.data_len, 3);
  EXPECT_STREQ(field.buffer, "abc");
  EXPECT_EQ(field.reply_kind, ' ');
  EXPECT_EQ(FormTextRow(&f, 0), "Name:abc            ");
  EXPECT_EQ(f.row_count, 1);
  EXPECT_EQ(f.form_id, -10);
  EXPECT_EQ(b.record->form, b.form);
  EXPECT_EQ(tt.t().forms.last_built, b.form);
  FreeHostRecord(tt.t(), b.record);
  EXPECT_EQ(tt.t().forms.last_built, nullptr);
}

TEST(FormBuilder, DataLengthIgnoresTrailingBlanks) {
  TestTerminal tt;
  BuiltForm b = BuildFieldForm(tt.t(), "\\A:\\Ax  \\B:\\A   \\C:\\A \\");
  ASSERT_EQ(b.form->field_count, 3);
  EXPECT_EQ(b.form->fields[0].data_len, 1);
  EXPECT_EQ(b.form->fields[0].width, 3);
  EXPECT_EQ(b.form->fields[1].data_len, 0);
  EXPECT_EQ(b.form->fields[2].data_len, 0);
  EXPECT_EQ(b.form->fields[1].label_offset, 5);
  EXPECT_EQ(b.form->fields[1].data_offset, 7);
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormBuilder, FieldsOnLaterRows) {
  TestTerminal tt(16, 10);
  BuiltForm b = BuildFieldForm(tt.t(), "\\Title^\nQty:\\N12\\^\nLot:\\Aab\\");
  ASSERT_EQ(b.form->field_count, 2);
  EXPECT_EQ(b.form->fields[0].row, 1);
  EXPECT_EQ(b.form->fields[0].column, 4);
  // The caret escape counts from the start of its own run.
  EXPECT_EQ(b.form->fields[1].label_offset, 16);
  EXPECT_EQ(b.form->fields[1].data_offset, 30);
  EXPECT_EQ(b.form->fields[1].row, 3);
  EXPECT_EQ(b.form->row_count, 4);
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormBuilder, InitialFieldIsLimitedToTheLastField) {
  TestTerminal tt;
  BuiltForm b = BuildFieldForm(tt.t(), "\\A\\Ax\\B\\Ay\\C\\Az\\", Header(0, 0, 0, 7));
  EXPECT_EQ(b.form->current_field, 2);
  FreeHostRecord(tt.t(), b.record);
  b = BuildFieldForm(tt.t(), "\\A\\Ax\\B\\Ay\\C\\Az\\", Header(0, 0, 0, 1));
  EXPECT_EQ(b.form->current_field, 1);
  FreeHostRecord(tt.t(), b.record);
  b = BuildFieldForm(tt.t(), "\\No fields", Header(0, 0, 0, 5));
  EXPECT_EQ(b.form->field_count, 0);
  EXPECT_EQ(b.form->current_field, 0);
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormBuilder, FieldFormMustBeginWithABackslash) {
  TestTerminal tt;
  const int32_t start = tt.t().alloc.bytes_in_use;
  HostRecord* r = CommandRecord(tt.t(), Header(), "\\SName:\\Aabc\\");
  EXPECT_EQ(BuildRecordForm(tt.t(), r, {16, 20, 0}), nullptr);
  EXPECT_EQ(tt.Sent(), "K\\\\9");
  EXPECT_EQ(r->form, nullptr);
  FreeHostRecord(tt.t(), r);
  EXPECT_EQ(BytesHeldSince(tt.t(), start), 0);
}

TEST(FormBuilder, DoubleBackslashSkipsAPrefix) {
  TestTerminal tt;
  BuiltForm b = BuildFieldForm(tt.t(), "\\\\opts\\Name:\\Aab\\");
  ASSERT_EQ(b.form->field_count, 1);
  EXPECT_EQ(b.form->fields[0].data_offset, 5);
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormBuilder, ScanIdentifiedFields) {
  TestTerminal tt;
  BuiltForm b = BuildFieldForm(tt.t(), "\\Lot:\\A|SLT|~1234\\Qty:\\N|I#|~9\\");
  ASSERT_EQ(b.form->field_count, 2);
  const FormField& lot = b.form->fields[0];
  EXPECT_EQ(lot.navigation_skip, 1);
  EXPECT_EQ(lot.strip, 1);
  EXPECT_STREQ(lot.scan_identifier, "LT");
  EXPECT_STREQ(lot.buffer, "1234");
  EXPECT_EQ(b.form->fields[1].strip, 0);
  EXPECT_STREQ(b.form->fields[1].scan_identifier, "#");
  EXPECT_EQ(tt.t().forms.scan_identified, 1);
  EXPECT_EQ(FormTextRow(b.form, 0).substr(0, 13), "Lot:1234Qty:9");
  FreeHostRecord(tt.t(), b.record);

  // Without the closing marker the field is an ordinary one.
  b = BuildFieldForm(tt.t(), "\\Lot:\\A|SLT\\");
  EXPECT_EQ(b.form->fields[0].navigation_skip, 0);
  EXPECT_EQ(b.form->fields[0].scan_identifier, nullptr);
  EXPECT_EQ(tt.t().forms.scan_identified, 0);
  EXPECT_STREQ(b.form->fields[0].buffer, "|SLT");
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormBuilder, TrailingTextIsDrawnButIsNotTheFieldsValue) {
  TestTerminal tt;
  BuiltForm b = BuildFieldForm(tt.t(), "\\Name:\\Aabc\\ end");
  EXPECT_EQ(FormTextRow(b.form, 0).substr(0, 12), "Name:abc end");
  EXPECT_STREQ(b.form->fields[0].buffer, "abc");
  EXPECT_EQ(b.form->fields[0].length, 3);
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormBuilder, TableTextHasNoFieldsButOneEntryPlace) {
  TestTerminal tt;
  BuiltForm b = BuildTableText(tt.t(), "Item\\one");
  ASSERT_NE(b.form, nullptr);
  EXPECT_EQ(b.form->field_count, 1);
  ASSERT_NE(b.form->fields, nullptr);
  EXPECT_EQ(FormTextRow(b.form, 0).substr(0, 8), "Item\\one");
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormBuilder, RebuildingReplacesTheRecordsFormAndARefusalKeepsIt) {
  TestTerminal tt;
  const int32_t start = tt.t().alloc.bytes_in_use;
  BuiltForm b = BuildFieldForm(tt.t(), "\\A:\\Ax\\");
  Form* first = b.form;
  SetCurrentForm(tt.t(), first);
  Form* second = BuildRecordForm(tt.t(), b.record, {16, 20, 0});
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(b.record->form, second);
  EXPECT_EQ(GetCurrentForm(tt.t()), nullptr);  // the old form is gone

  b.record->command[0] = 'x';  // no longer begins with a backslash
  EXPECT_EQ(BuildRecordForm(tt.t(), b.record, {16, 20, 0}), nullptr);
  EXPECT_EQ(b.record->form, second);
  FreeHostRecord(tt.t(), b.record);
  EXPECT_EQ(BytesHeldSince(tt.t(), start), 0);
}

TEST(FormBuilder, CountNamingAStoredSlotAttachesTheFormThere) {
  TestTerminal tt;
  Form* out = nullptr;
  ASSERT_EQ(StoreTable(tt.t(), CommandRecord(tt.t(), Header(), "\\4S\\A:\\Ax\\"), &out), 0);
  HostRecord* other = CommandRecord(tt.t(), Header(), "\\4S\\B:\\Ay\\");
  Form* form = BuildRecordForm(tt.t(), other, {16, 20, 0});
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->form_id, 4);
  EXPECT_EQ(GetTableSlot(tt.t(), 4)->form, form);
  EXPECT_EQ(other->form, nullptr);
  FreeHostRecord(tt.t(), other);
}

TEST(FormBuilder, AnyTextLeavesTheHeapBalanced) {
  TestTerminal tt(4, 12);
  const int32_t start = tt.t().alloc.bytes_in_use;
  const char* texts[] = {"\\",        "\\\\",        "\\\\\\",    "\\|",   "\\a\\",
                         "\\a\\b",    "\\a\\|S",     "\\a\\|S|~", "\\|L",  "\\|H",
                         "\\|T",      "\\x|Tr=1",    "\\^",       "\\|X4", "\\a\\Z|E|E",
                         "\\a\\\\\\", "\\|99|99|99", "\\^\r^\n^0"};
  for (const char* text : texts) {
    BuiltForm b = BuildFieldForm(tt.t(), text);
    EXPECT_NE(b.form, nullptr) << text;
    FreeHostRecord(tt.t(), b.record);
    b = BuildTableText(tt.t(), text);
    FreeHostRecord(tt.t(), b.record);
  }
  EXPECT_EQ(BytesHeldSince(tt.t(), start), 0);
}

}  // namespace
}  // namespace marl::testing
