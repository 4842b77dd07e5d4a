#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "command_record.h"
#include "forms/field_content.h"
#include "forms/form.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

int32_t Set(TestTerminal& tt, Form* form, std::string_view text, int32_t label, int32_t k) {
  return SetFieldContent(tt.t(), form, int32_t(text.size()), text.data(), label, k);
}

// Two fields on a 10-column form: "Qty:" 1234 on row 0, "Lot:" AB after it.
BuiltForm TwoFields(TestTerminal& tt) {
  return BuildFieldForm(tt.t(), "\\Qty:\\N1234\\Lot:\\AAB\\");
}

TEST(FormFieldContent, ShorterDataClosesUpTheText) {
  TestTerminal tt(8, 10);
  BuiltForm b = TwoFields(tt);
  Form* f = b.form;
  ASSERT_EQ(f->fields[1].data_offset, 12);
  ASSERT_EQ(Set(tt, f, "A12", 0, 0), 1);
  EXPECT_EQ(std::string(f->form_text), "Qty:12Lot:AB      ");
  EXPECT_EQ(f->fields[0].flags, 'A');
  EXPECT_STREQ(f->fields[0].buffer, "12");
  EXPECT_EQ(f->fields[0].length, 2);
  EXPECT_EQ(f->fields[0].width, 2);
  EXPECT_EQ(f->fields[1].label_offset, 6);
  EXPECT_EQ(f->fields[1].data_offset, 10);
  EXPECT_EQ(f->fields[1].row, 1);
  EXPECT_EQ(f->fields[1].column, 0);
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormFieldContent, LongerContentFailsAndChangesNothing) {
  TestTerminal tt(8, 10);
  BuiltForm b = TwoFields(tt);
  Form* f = b.form;
  const std::string before(f->form_text);
  EXPECT_EQ(Set(tt, f, "Lots:", 1, 1), 0);
  EXPECT_EQ(Set(tt, f, "N123", 0, 1), 0);
  EXPECT_EQ(std::string(f->form_text), before);
  EXPECT_EQ(f->fields[1].label_offset, 8);
  EXPECT_EQ(f->fields[1].data_offset, 12);
  EXPECT_STREQ(f->fields[1].buffer, "AB");
  EXPECT_EQ(f->fields[1].flags, 'N');  // the type byte is taken even so
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormFieldContent, ShorterLabelMovesTheFieldsOwnData) {
  TestTerminal tt(8, 10);
  BuiltForm b = TwoFields(tt);
  Form* f = b.form;
  ASSERT_EQ(Set(tt, f, "L:", 1, 1), 1);
  EXPECT_EQ(std::string(f->form_text), "Qty:1234L:AB      ");
  EXPECT_EQ(f->fields[1].label_offset, 8);
  EXPECT_EQ(f->fields[1].data_offset, 10);
  EXPECT_EQ(f->fields[1].row, 1);
  EXPECT_EQ(f->fields[0].data_offset, 4);
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormFieldContent, EqualLengthAndEscapes) {
  TestTerminal tt(8, 10);
  BuiltForm b = TwoFields(tt);
  Form* f = b.form;
  ASSERT_EQ(Set(tt, f, "N9|02", 0, 0), 1);
  EXPECT_STREQ(f->fields[0].buffer, "9  ");
  EXPECT_EQ(std::string(f->form_text).substr(0, 12), "Qty:9  Lot:A");
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormFieldContent, NoSuchField) {
  TestTerminal tt(8, 10);
  const int32_t start = tt.t().alloc.bytes_in_use;
  BuiltForm b = TwoFields(tt);
  EXPECT_EQ(Set(tt, b.form, "X", 1, 2), 0);
  EXPECT_EQ(Set(tt, b.form, "X", 1, 3), 0);
  EXPECT_EQ(Set(tt, b.form, "X", 1, -1), 0);
  EXPECT_EQ(Set(tt, nullptr, "X", 1, 0), 0);
  EXPECT_EQ(Set(tt, b.form, "", 0, 0), 1);  // no type byte: empty data
  FreeHostRecord(tt.t(), b.record);
  EXPECT_EQ(BytesHeldSince(tt.t(), start), 0);
}

}  // namespace
}  // namespace marl::testing
