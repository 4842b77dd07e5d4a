#include "screen/attribute_runs.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "command_record.h"
#include "forms/form_display.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

// Runs written one after another on one table; after each step every index
// named reads as expected, so a write that lands in the wrong storage, a
// run left over from before a Clear or a write outside the table shows.
TEST(AttributeRuns, WritesReadsAndClears) {
  struct Step {
    std::vector<std::pair<int32_t, AttributeRun>> writes;
    bool clear_first;
    std::vector<std::pair<int32_t, AttributeRun>> reads;
  };
  const AttributeRun none;
  const Step steps[] = {
      // In place, across the edge of the block, and the last run of all.
      {{{0, {1, 0}}, {15, {2, 15}}, {16, {8, 16}}, {17, {1, 17}}, {2999, {2, 2999}}},
       false,
       {{0, {1, 0}},
        {15, {2, 15}},
        {16, {8, 16}},
        {17, {1, 17}},
        {2999, {2, 2999}},
        {18, none},
        {2998, none}}},
      // Outside the table: nothing readable changes, nothing is read there.
      {{{-1, {8, 1}}, {3000, {8, 2}}, {INT32_MAX, {8, 3}}, {INT32_MIN, {8, 4}}},
       false,
       {{-1, none}, {3000, none}, {INT32_MAX, none}, {0, {1, 0}}, {2999, {2, 2999}}}},
      // A fresh form starts from no runs, the block's as well as those in place.
      {{{1, {2, 5}}}, true, {{0, none}, {1, {2, 5}}, {16, none}, {17, none}, {2999, none}}},
      // The block grows again after a Clear, its runs unwritten since then still none.
      {{{40, {8, 40}}}, true, {{1, none}, {39, none}, {40, {8, 40}}, {41, none}}},
  };
  AttributeRuns runs;
  int step_number = 0;
  for (const Step& step : steps) {
    ++step_number;
    if (step.clear_first) runs.Clear();
    for (const auto& [k, run] : step.writes) runs[k] = run;
    const AttributeRuns& read = runs;
    for (const auto& [k, run] : step.reads) {
      EXPECT_EQ(read[k].attribute, run.attribute) << "step " << step_number << " run " << k;
      EXPECT_EQ(read[k].start, run.start) << "step " << step_number << " run " << k;
    }
  }
}

// A form text whose attribute changes after each of its first `changes`
// letters, cycling reverse, bold, underline.
std::string Changes(int32_t changes) {
  static const char kAttributes[] = {'\x01', '\x08', '\x02'};
  std::string text = "\\";
  for (int32_t i = 0; i < changes; ++i) {
    text += char('a' + i % 26);
    text += "|H";
    text += kAttributes[i % 3];
  }
  return text;
}

// Forms with more runs than are kept in place and fewer, one after another
// on one terminal: each letter shows in the attribute set before it, and no
// form inherits a run of the form before.
TEST(AttributeRuns, FormsShowTheirOwnRuns) {
  TestTerminal tt(2, 64);
  for (const int32_t changes : {20, 3, 60, 16, 17, 0, 15}) {
    BuiltForm b = BuildFieldForm(tt.t(), Changes(changes));
    ASSERT_NE(b.form, nullptr);
    DrawForm(tt.t(), b.form);
    std::string shown, expected;
    for (int32_t c = 0; c < 64; ++c) {
      shown += char('0' + tt.platform().cell(0, c).attribute);
      // Letter c follows change c - 1; the padding keeps the last change's.
      const int32_t change = std::min(c, changes) - 1;
      expected += change < 0 ? '0' : "182"[change % 3];
    }
    EXPECT_EQ(shown, expected) << changes << " changes";
    FreeHostRecord(tt.t(), b.record);
  }
}

}  // namespace
}  // namespace marl::testing
