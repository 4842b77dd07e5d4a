#include "forms/form_builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <utility>

#include "command_record.h"
#include "commands/tables.h"
#include "forms/form.h"
#include "host_records.h"
#include "screen/display.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

// Each field as "label_offset data_offset row,column width/length data_len 'value'", its
// attribute and scan identifier, if any; then whether scans are routed by identifier.
std::string Describe(const Terminal& t, const Form* form) {
  std::string out;
  for (int32_t i = 0; i < form->field_count; ++i) {
    const FormField& f = form->fields[i];
    char line[64];
    std::snprintf(line, sizeof line, "%s%d %d %d,%d %d/%d %d '", i ? " | " : "", f.label_offset,
                  f.data_offset, f.row, f.column, f.width, f.length, f.data_len);
    out += line + std::string(f.buffer) + "'";
    if (f.attribute != 0) out += " attr " + std::to_string(f.attribute);
    if (f.navigation_skip)
      out += std::string(" scan ") + f.scan_identifier + (f.strip ? " strip" : "");
  }
  return out + (t.forms.scan_identified ? " (routed)" : "");
}

TEST(FormBuilder, FieldsTheirPlacesAndValues) {
  TestTerminal tt(16, 20);
  const std::pair<std::string, std::string> cases[] = {
      // Text after the last field is drawn but is not the field's value.
      {"\\Name:\\Aabc\\ end", "0 5 0,5 3/3 3 'abc'"},
      {"\\\\opts\\Name:\\Aab\\", "0 5 0,5 2/2 2 'ab'"},  // "\\" skips a prefix
      // The data length leaves out trailing blanks.
      {"\\A:\\Ax  \\B:\\A   \\C:\\A \\",
       "0 2 0,2 3/3 1 'x  ' | 5 7 0,7 3/3 0 '   ' | 10 12 0,12 1/1 0 ' '"},
      // A line end pads a whole row from the start of its own run; fields take the attribute
      // in force.
      {"\\Title^\n|H\x08Qty:\\N12\\^\nLot:\\Aab\\",
       "0 24 1,4 2/2 2 '12' attr 8 | 26 50 2,10 2/2 2 'ab' attr 8"},
      // |L sets the length in hex (not 0, not without a hex digit); after |E the value is not
      // drawn.
      {"\\A:\\A|L1Fab\\B:\\A|L0zy\\C:\\A|Lzz\\N:\\Aab|Ecd\\",
       "0 2 0,2 2/31 2 'ab" + std::string(29, ' ') +
           "' | 4 6 0,6 2/2 2 'zy' | 8 10 0,10 4/4 4 '|Lzz' | 14 16 0,16 2/4 2 'abcd'"},
      {"\\Lot:\\A|SLT|~1234\\Qty:\\N|I#|~9\\",
       "0 4 0,4 4/4 4 '1234' scan LT strip | 8 12 0,12 1/1 1 '9' scan # (routed)"},
      {"\\Lot:\\A|SLT\\", "0 4 0,4 4/4 4 '|SLT'"},  // no closing marker: an ordinary field
      // Text and value grow as far as they need to.
      {"\\L:\\A" + std::string(95, 'x'), "0 2 0,2 95/95 95 '" + std::string(95, 'x') + "'"},
  };
  for (const auto& [text, expected] : cases) {
    TestTerminal fresh(16, 20);
    BuiltForm b = BuildFieldForm(fresh.t(), text);
    EXPECT_EQ(Describe(fresh.t(), b.form), expected) << text;
    FreeHostRecord(fresh.t(), b.record);
  }
  BuiltForm b = BuildFieldForm(tt.t(), "\\Name:\\Aabc\\ end");
  EXPECT_EQ(FormTextRow(b.form, 0), "Name:abc end        ");
  EXPECT_STREQ(b.form->fields[0].saved_text, "abc");
  FreeHostRecord(tt.t(), b.record);
  EXPECT_EQ(tt.t().forms.last_built, nullptr);  // never left dangling
  b = BuildTableText(tt.t(), "Item\\one");      // a table text has no fields
  EXPECT_EQ(FormTextRow(b.form, 0).substr(0, 8), "Item\\one");
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormBuilder, InitialFieldIsLimitedToTheLastField) {
  TestTerminal tt;
  for (const auto& [text, initial, expected] : {std::tuple{"\\A\\Ax\\B\\Ay\\C\\Az\\", 7, 2},
                                                {"\\A\\Ax\\B\\Ay\\C\\Az\\", 1, 1},
                                                {"\\No fields", 5, 0}}) {
    BuiltForm b = BuildFieldForm(tt.t(), text, Header(0, 0, 0, initial));
    EXPECT_EQ(b.form->current_field, expected) << text << initial;
    FreeHostRecord(tt.t(), b.record);
  }
}

TEST(FormBuilder, RebuildingReplacesTheRecordsFormAndARefusalKeepsIt) {
  TestTerminal tt;
  const int32_t start = tt.t().alloc.bytes_in_use;
  BuiltForm b = BuildFieldForm(tt.t(), "\\A:\\Ax\\");
  SetCurrentForm(tt.t(), b.form);
  Form* second = BuildRecordForm(tt.t(), b.record, {16, 20, 0});
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(b.record->form, second);
  EXPECT_EQ(GetCurrentForm(tt.t()), nullptr);  // the old form is gone
  b.record->command[0] = 'x';                  // a field form must begin with '\'
  EXPECT_EQ(BuildRecordForm(tt.t(), b.record, {16, 20, 0}), nullptr);
  EXPECT_EQ(tt.Sent(), Reply(kStatusSyntax));
  EXPECT_EQ(b.record->form, second);
  FreeHostRecord(tt.t(), b.record);
  EXPECT_EQ(BytesHeldSince(tt.t(), start), 0);
}

}  // namespace
}  // namespace marl::testing
