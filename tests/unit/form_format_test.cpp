#include "forms/form_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "command_record.h"
#include "forms/form.h"
#include "forms/form_builder.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

BuiltForm Build(TestTerminal& tt, std::string_view text) {
  return BuildFieldForm(tt.t(), text);
}

std::string TextRow(const Form* f, int32_t row) {
  return FormTextRow(f, row);
}

// The formatter on its own, into a caller's buffer of `room` blanks.
struct Plain {
  std::string out;
  int32_t result;
  int32_t total;
  int32_t mark;
};

Plain FormatPlain(TestTerminal& tt, std::string_view source, int32_t room, int32_t width = 10,
                  int32_t control = 0) {
  std::string buffer(size_t(room), ' ');
  buffer.push_back(0);
  char* out = buffer.data();
  Plain p;
  p.result = FormatText(tt.t(), int32_t(source.size()), source.data(), &out, &p.total, &p.mark,
                        width, control, nullptr, kValueTextOnly);
  p.out = std::string(buffer.data(), size_t(out - buffer.data()));
  return p;
}

TEST(FormFormat, BarEscapesWriteBlanksBarsAndPlainText) {
  TestTerminal tt;
  EXPECT_EQ(FormatPlain(tt, "a|05b", 20).out, "a     b");
  EXPECT_EQ(FormatPlain(tt, "a||b", 20).out, "a|b");
  EXPECT_EQ(FormatPlain(tt, "a|Qb", 20).out, "a|Qb");
  // A bar at the very end, or before one digit only, is a bar.
  EXPECT_EQ(FormatPlain(tt, "a|", 20).out, "a|");
  EXPECT_EQ(FormatPlain(tt, "|5x", 20).out, "|5x");
  EXPECT_EQ(FormatPlain(tt, "x\ry", 20).out, "x y");
}

TEST(FormFormat, CaretEscapes) {
  TestTerminal tt;
  EXPECT_EQ(FormatPlain(tt, "abc^\nd", 30, 10).out, "abc       d");
  EXPECT_EQ(FormatPlain(tt, "abc^\rd", 30, 10).out, "abc       d");
  EXPECT_EQ(FormatPlain(tt, "^^^41^4", 30).out, "^A^4");
  // A zero byte takes its cell but is not written: the text stays whole.
  const Plain zero = FormatPlain(tt, "a^00b", 30);
  EXPECT_EQ(zero.total, 3);
  EXPECT_EQ(zero.out, "ab");
}

TEST(FormFormat, HexModeEndsAtALetter) {
  TestTerminal tt;
  EXPECT_EQ(FormatPlain(tt, "|X41G41", 20).out, "AG41");
  EXPECT_EQ(FormatPlain(tt, "|X4142|A41", 20).out, "AB41");
  // The switch outlives the run; the next form's parse clears it.
  FormatPlain(tt, "|X", 20);
  EXPECT_EQ(FormatPlain(tt, "4a", 20).out, "J");
  BuiltForm b = Build(tt, "\\x");
  EXPECT_EQ(tt.t().forms.hex_mode, 0);
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormFormat, CallerBufferStopsWhenFull) {
  TestTerminal tt;
  const Plain full = FormatPlain(tt, "abcdef", 4);
  EXPECT_EQ(full.result, 1);
  EXPECT_EQ(full.out, "abcd");

  tt.t().screen.debugging = 1;
  const Plain blanks = FormatPlain(tt, "ab|09", 5);
  EXPECT_EQ(blanks.result, 1);
  EXPECT_EQ(blanks.out, "ab");
  EXPECT_EQ(tt.Row(tt.t().screen.rows - 2).substr(0, 16), "Oflow 2, 9 Space");
}

TEST(FormFormat, WaitAndBeepActOnlyInTablesOrTheTextDialect) {
  TestTerminal tt;
  tt.t().records.text_dialect = 0;
  BuiltForm label = Build(tt, "\\|W\x30|BName:\\Ax\\");
  EXPECT_EQ(TextRow(label.form, 0).substr(0, 11), "|W0|BName:x");
  EXPECT_TRUE(tt.Events().empty());
  FreeHostRecord(tt.t(), label.record);

  // In a table text they act: |W 0x30 waits 5 x 48 - 32 ms after the beep.
  BuiltForm table = BuildTableText(tt.t(), "|W\x30|BPick");
  EXPECT_EQ(TextRow(table.form, 0).substr(0, 4), "Pick");
  EXPECT_EQ(tt.Events(), (std::vector<std::string>{"beep 1500 120", "sleep 208"}));
  FreeHostRecord(tt.t(), table.record);

  tt.t().records.text_dialect = 1;
  BuiltForm dialect = Build(tt, "\\|BName:\\Ax\\");
  EXPECT_EQ(TextRow(dialect.form, 0).substr(0, 6), "Name:x");
  EXPECT_EQ(tt.Events(), (std::vector<std::string>{"beep 1500 120"}));
  FreeHostRecord(tt.t(), dialect.record);
}

TEST(FormFormat, CursorMarkOnlyWithTheControlSwitch) {
  TestTerminal tt;
  EXPECT_EQ(FormatPlain(tt, "ab|Ccd", 20, 10, 1).mark, 2);
  const Plain off = FormatPlain(tt, "ab|Ccd", 20, 10, 0);
  EXPECT_EQ(off.mark, 0);
  EXPECT_EQ(off.out, "ab|Ccd");
}

TEST(FormFormat, LengthEscapeSetsTheFieldLength) {
  TestTerminal tt;
  BuiltForm b = Build(tt, "\\A:\\A|L1Fab\\B:\\A|L0zy\\C:\\A|Lzz\\");
  ASSERT_EQ(b.form->field_count, 3);
  EXPECT_EQ(b.form->fields[0].length, 31);
  EXPECT_EQ(b.form->fields[0].width, 2);
  EXPECT_EQ(std::strlen(b.form->fields[0].buffer), 31u);
  EXPECT_EQ(b.form->fields[1].length, 2);
  EXPECT_STREQ(b.form->fields[1].buffer, "zy");
  EXPECT_STREQ(b.form->fields[2].buffer, "|Lzz");
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormFormat, AttributeRuns) {
  TestTerminal tt;
  BuiltForm b = Build(tt, "\\|H\x02Title^\n|H\x08Na:\\Aab\\");
  const FormsState& s = tt.t().forms;
  EXPECT_EQ(s.run_count, 2);
  EXPECT_EQ(s.runs[0].attribute, 0x02);
  EXPECT_EQ(s.runs[0].start, 0);
  EXPECT_EQ(s.runs[1].attribute, 0x08);
  EXPECT_EQ(s.runs[1].start, 20);
  EXPECT_EQ(b.form->fields[0].attribute, 0x08);
  EXPECT_EQ(s.current_attribute, 0x08);
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormFormat, AttributeRunTableNeverOverflows) {
  TestTerminal tt(16, 40);
  std::string body = "\\";
  for (int i = 0; i < kMaxAttributeRuns + 50; ++i) body += "x|H\x01";
  BuiltForm b = Build(tt, body);
  ASSERT_NE(b.form, nullptr);
  EXPECT_EQ(tt.t().forms.run_count, kMaxAttributeRuns);
  EXPECT_EQ(tt.t().forms.runs[kMaxAttributeRuns - 1].start, kMaxAttributeRuns - 1);
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormFormat, FieldOnlyValueMode) {
  TestTerminal tt;
  BuiltForm b = Build(tt, "\\N:\\Aab|Ecd\\");
  EXPECT_EQ(TextRow(b.form, 0).substr(0, 6), "N:ab  ");
  EXPECT_STREQ(b.form->fields[0].buffer, "abcd");
  EXPECT_EQ(b.form->fields[0].length, 4);
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormFormat, FormTextAndFieldBuffersGrow) {
  TestTerminal tt(16, 20);
  const int32_t start = tt.t().alloc.bytes_in_use;
  std::string data(95, 'x');
  BuiltForm b = Build(tt, "\\L:\\A" + data + "\\");
  const Form* f = b.form;
  EXPECT_EQ(f->row_count, 5);  // 97 bytes over rows of 20
  EXPECT_EQ(std::strlen(f->form_text), 100u);
  EXPECT_EQ(f->capacity, 3 + 3 * 41);
  EXPECT_EQ(f->fields[0].width, 95);
  EXPECT_EQ(std::string(f->fields[0].buffer), data);
  FreeHostRecord(tt.t(), b.record);
  EXPECT_EQ(BytesHeldSince(tt.t(), start), 0);
}

TEST(FormFormat, FormTextHasAnUpperBound) {
  // Line ends on a very wide screen ask for gigabytes; the text stops.
  TestTerminal tt(1, 1 << 21);
  std::string body = "\\";
  for (int i = 0; i < 40; ++i) body += "^\n";
  BuiltForm b = Build(tt, body);
  ASSERT_NE(b.form, nullptr);
  EXPECT_EQ(b.form->format_result, 1u);
  EXPECT_LE(b.form->capacity, kMaxFormText);
  FreeHostRecord(tt.t(), b.record);
}

}  // namespace
}  // namespace marl::testing
