#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "command_record.h"
#include "forms/field_content.h"
#include "forms/form.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

// Each field as "label_offset data_offset row,column type width/length 'value'".
std::string Fields(const Form* form) {
  std::string out;
  for (int32_t i = 0; i < form->field_count; ++i) {
    const FormField& f = form->fields[i];
    char line[64];
    std::snprintf(line, sizeof line, "%s%d %d %d,%d %c %d/%d '", i ? " | " : "", f.label_offset,
                  f.data_offset, f.row, f.column, f.flags ? f.flags : '-', f.width, f.length);
    out += line + std::string(f.buffer) + "'";
  }
  return out;
}

// On a 10-column form: "Qty:" 1234 on row 0, "Lot:" AB after it on row 1.
TEST(FormFieldContent, ReplacedInPlaceAndNeverGrown) {
  const std::string kBefore = "0 4 0,4 N 4/4 '1234' | 8 12 1,2 A 2/2 'AB'";
  const struct {
    const char* text;
    int32_t label, field, result;
    const char* form_text;
    std::string fields;
  } cases[] = {
      // Shorter data: the text closes up, the field narrows, the next one moves back.
      {"A12", 0, 0, 1, "Qty:12Lot:AB", "0 4 0,4 A 2/2 '12' | 6 10 1,0 A 2/2 'AB'"},
      // A shorter label moves the field's own data.
      {"L:", 1, 1, 1, "Qty:1234L:AB", "0 4 0,4 N 4/4 '1234' | 8 10 1,0 A 2/2 'AB'"},
      {"N9|02", 0, 0, 1, "Qty:9  Lot:AB", "0 4 0,4 N 3/3 '9  ' | 7 11 1,1 A 2/2 'AB'"},
      {"", 0, 0, 1, "Qty:Lot:AB", "0 4 0,4 - 0/0 '' | 4 8 0,8 A 2/2 'AB'"},  // no type byte
      // Longer content changes nothing, but the type byte is taken even so.
      {"Lots:", 1, 1, 0, "Qty:1234Lot:AB", kBefore},
      {"N123", 0, 1, 0, "Qty:1234Lot:AB", "0 4 0,4 N 4/4 '1234' | 8 12 1,2 N 2/2 'AB'"},
      {"X", 1, 2, 0, "Qty:1234Lot:AB", kBefore},  // no such field
      {"X", 1, -1, 0, "Qty:1234Lot:AB", kBefore},
  };
  for (const auto& c : cases) {
    TestTerminal tt(8, 10);
    const int32_t start = tt.t().alloc.bytes_in_use;
    BuiltForm b = BuildFieldForm(tt.t(), "\\Qty:\\N1234\\Lot:\\AAB\\");
    const std::string text = c.text;
    EXPECT_EQ(SetFieldContent(tt.t(), b.form, int32_t(text.size()), text.data(), c.label, c.field),
              c.result)
        << text;
    EXPECT_EQ(std::string(b.form->form_text), c.form_text + std::string(6, ' ')) << text;
    EXPECT_EQ(Fields(b.form), c.fields) << text;
    FreeHostRecord(tt.t(), b.record);
    EXPECT_EQ(BytesHeldSince(tt.t(), start), 0);
  }
  TestTerminal tt;
  EXPECT_EQ(SetFieldContent(tt.t(), nullptr, 1, "X", 1, 0), 0);
}

}  // namespace
}  // namespace marl::testing
