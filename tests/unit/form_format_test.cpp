#include "forms/form_format.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "command_record.h"
#include "forms/form.h"
#include "forms/form_builder.h"
#include "scenario.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

// The formatter on its own, into a caller's buffer of `room` blanks, on rows of 5.
struct Plain {
  std::string out;
  int32_t result, total, mark;
};

Plain FormatPlain(TestTerminal& tt, std::string_view source, int32_t room = 30,
                  int32_t control = 0) {
  std::string buffer(size_t(room), ' ');
  char* out = buffer.data();
  Plain p;
  p.result = FormatText(tt.t(), int32_t(source.size()), source.data(), &out, &p.total, &p.mark, 5,
                        control, nullptr, kValueTextOnly);
  p.out = std::string(buffer.data(), size_t(out - buffer.data()));
  return p;
}

TEST(FormFormat, Escapes) {
  TestTerminal tt;
  // A bar at the end or before one digit is a bar; hex mode ends at a letter or "|A"; a
  // cursor mark is one only with the control switch.
  const std::pair<const char*, const char*> cases[] = {
      {"a|05b", "a     b"},   {"a||b", "a|b"},      {"a|Qb", "a|Qb"},      {"x\ry", "x y"},
      {"a|", "a|"},           {"|5x", "|5x"},       {"^^^41^4", "^A^4"},   {"|X41G41", "AG41"},
      {"|X4142|A41", "AB41"}, {"ab|Ccd", "ab|Ccd"}, {"abc^\nd", "abc  d"}, {"abc^\rd", "abc  d"},
  };
  for (const auto& [source, out] : cases) EXPECT_EQ(FormatPlain(tt, source).out, out) << source;
  const Plain marked = FormatPlain(tt, "ab|Ccd", 30, 1);
  EXPECT_EQ(marked.out + " " + std::to_string(marked.mark), "abcd 2");
  // A zero byte takes its cell but is not written: the text stays whole.
  const Plain zero = FormatPlain(tt, "a^00b");
  EXPECT_EQ(zero.out + " " + std::to_string(zero.total), "ab 3");
  // The hex switch outlives the run; the next form's parse clears it.
  FormatPlain(tt, "|X");
  EXPECT_EQ(FormatPlain(tt, "4a").out, "J");
  BuiltForm b = BuildFieldForm(tt.t(), "\\x");
  EXPECT_EQ(tt.t().forms.hex_mode, 0);
  FreeHostRecord(tt.t(), b.record);
}

TEST(FormFormat, CallerBufferStopsWhenFull) {
  TestTerminal tt;
  const Plain full = FormatPlain(tt, "abcdef", 4);
  EXPECT_EQ(full.out + " " + std::to_string(full.result), "abcd 1");
  RunScenario(tt, "key Debugging");
  const Plain blanks = FormatPlain(tt, "ab|09", 5);
  EXPECT_EQ(blanks.out + " " + std::to_string(blanks.result), "ab 1");
  EXPECT_EQ(tt.Row(tt.t().screen.rows - 2).substr(0, 16), "Oflow 2, 9 Space");
}

TEST(FormFormat, WaitAndBeepActOnlyInTablesOrTheTextDialect) {
  TestTerminal tt;
  RunScenario(tt, "binary");
  BuiltForm b = BuildFieldForm(tt.t(), "\\|W\x30|BName:\\Ax\\");
  EXPECT_EQ(FormTextRow(b.form, 0).substr(0, 11), "|W0|BName:x");
  FreeHostRecord(tt.t(), b.record);
  b = BuildTableText(tt.t(), "|W\x30|BPick");  // waits 5 x 0x30 - 32 ms after the beep
  FreeHostRecord(tt.t(), b.record);
  RunScenario(tt, "host \\IR ; sent IR16,20,00");
  b = BuildFieldForm(tt.t(), "\\|BName:\\Ax\\");
  EXPECT_EQ(FormTextRow(b.form, 0).substr(0, 6), "Name:x");
  FreeHostRecord(tt.t(), b.record);
  EXPECT_EQ(tt.Events(), (std::vector<std::string>{"beep 1500 120", "sleep 208", "beep 1500 120"}));
}

TEST(FormFormat, RunTableAndFormTextHaveBounds) {
  const auto repeat = [](const char* piece, int32_t n) {
    std::string out = "\\";
    while (n-- > 0) out += piece;
    return out;
  };
  TestTerminal tt(16, 40);
  BuiltForm b = BuildFieldForm(tt.t(), repeat("x|H\x01", kMaxAttributeRuns + 50));
  EXPECT_EQ(tt.t().screen.run_count, kMaxAttributeRuns);
  EXPECT_EQ(tt.t().screen.runs[kMaxAttributeRuns - 1].start, kMaxAttributeRuns - 1);
  FreeHostRecord(tt.t(), b.record);
  // Line ends on a very wide screen ask for gigabytes; the text stops.
  TestTerminal wide(1, 1 << 21);
  b = BuildFieldForm(wide.t(), repeat("^\n", 40));
  EXPECT_EQ(b.form->format_result, 1u);
  EXPECT_LE(b.form->capacity, kMaxFormText);
  FreeHostRecord(wide.t(), b.record);
}

}  // namespace
}  // namespace marl::testing
