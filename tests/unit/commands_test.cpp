#include "commands/commands.h"

#include <gtest/gtest.h>

#include "base/guarded_alloc.h"
#include "base/session.h"
#include "base/terminal_config.h"
#include "commands/tables.h"
#include "host_records.h"
#include "scenario.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

// Syntax, the letter table and every reply; every record is released.
TEST(RunCommand, RepliesAndReleases) {
  TestTerminal tt;
  const int32_t before = tt.t().alloc.bytes_in_use;
  // Two count digits at most, the third is the letter; with a count T stores
  // and shows. '\' alone shows a stored table, or answers 4 when there is
  // none. Unsupported letters answer 1 after their arguments' check. With a
  // count, P's arguments are not checked. A table's '/' part is checked.
  RunScenario(tt, R"(
      host \12T\Qty:\A1 ; sent ; host \1x ; reply failure ; host \123C0 ; reply failure
      host \S\Qty:\ ; reply open-string ; host \ ; reply bad-number ; host \D anything ; sent
      host \R\a\bc ; reply failure ; host \R|5 ; reply syntax ; host \PING ; host \ping ; sent
      host \PX ; reply failure ; host \P|5 ; reply syntax ; host \3P|5 ; reply failure
      host /F\a\bc ; reply success ; host /F|5 ; reply syntax
      # A tone: volume, frequency step and duration step; a bad field
      # answers with its letter.
      host \T ; reply success ; events beep 1000 50
      host \T<20><20><20><20><20><20><20><20><20> ; reply success ; events beep 1000 50
      host \T100   005 ; reply success ; events beep 1000 400
      host \T255030 ; reply success ; events beep 9000 50
      host \T   000001 ; reply success ; events beep 20 4
      host \T   001010 ; reply success ; events beep 300 7999
      host \T100   011 ; reply tone-length ; host \T12x ; reply tone-volume
      host \T10 ; reply tone-volume ; host \T256 ; reply tone-volume
      host \T   031 ; reply tone-frequency
      host \T      000 ; reply tone-length
      # good fields, one byte too many
      host \T0000000010 ; reply tone-length ; events)");
  // What the tables keep (a stored slot, a pending '/' part, the table form
  // on the screen) is theirs until released.
  ReleaseAllTables(tt.t());
  ReleaseTableForms(tt.t());
  EXPECT_EQ(tt.t().alloc.bytes_in_use, before);
  SetStatusReplies(tt.t(), 0);
  RunScenario(tt, R"(host \Z ; host \T999 ; host \C12 ; host \K ; host \BE ; sent)");
}

TEST(CheckArguments, MarkupAndStrings) {
  TestTerminal tt;
  RunScenario(tt, R"(host \BU\07\XYZ ; reply success)");
  // The codes with the text-dialect flag 0 and 1. Inside |X a blank takes
  // the byte after it along; text without hex digits is skipped up to |A. In
  // the text dialect any letter passes and |T ends the check.
  const std::pair<const char*, const char*> checks[] = {
      {"ab|05cd", "00"},   {"|5", "99"},         {"ab|5cd", "99"},      {"|D07", "00"},
      {"|D08", "22"},      {"|D7x", "99"},       {"|X4|A", "99"},       {"|X414|A", "99"},
      {"|X4142|A", "00"},  {"|X4142", "00"},     {"|X41G2|A", "99"},    {"/|5", "99"},
      {"|X41 44|A", "99"}, {"|X41 442|A", "00"}, {"|Xtxt|A|5", "99"},   {"|Xtxt|A|05", "00"},
      {"|Z|q", "90"},      {"x|", "90"},         {"|T|5", "90"},        {"||D99|E|L", "00"},
      {"|H|A|B|C", "00"},  {"\\Qty:\\A", "22"},  {"\\Qty:\\\\1", "22"}, {"\\Qty:\\A\\", "22"},
  };
  for (const auto& [args, codes] : checks) {
    std::string got;
    for (int32_t dialect : {0, 1}) {
      RunScenario(tt, dialect ? "host \\IR" : "binary");
      got += std::to_string(CheckArguments(tt.t(), args, nullptr, 1));
    }
    EXPECT_EQ(got, codes) << args;
  }
  // The strings are counted; without strings a backslash is an ordinary byte.
  int32_t count = -1;
  EXPECT_EQ(CheckArguments(tt.t(), "\\Qty:\\A1\\Lot:\\B22", &count, 1), 0);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(CheckArguments(tt.t(), "\\Qty:\\", &count, 0), 0);
  EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace marl::testing
