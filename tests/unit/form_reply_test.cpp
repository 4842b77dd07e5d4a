#include "input/form_reply.h"

#include <string>

#include "scenario.h"

namespace marl::testing {
namespace {

const Scenario kReplies[] = {
    {"KeyedFieldOfAHostFormWithoutTheTextDialect", R"(
      binary ; host \3T\Qty:\@    \Lot:\@    \ ; type 12
      key Enter ; sent K\3\0\K12 ; waiting 1)"},
    // A key map's reply letters are the key map tests'; a zero letter goes
    // out as one more byte.
    {"AZeroLetterIsOneMoreByte", R"(
      binary ; host \2T\Qty:\@     \ ; host \F\xyz@A<01> ; reply success
      key F1 ; sent K\2\0\Kxyz\\<00>)"},
    {"UntouchedProtectedFieldsWithoutTheTextDialect", R"(
      binary ; host \5T\a:\@    \b:\DID7 \ ; key Enter ; sent K\5\1\KID7)"},
    {"NoUntouchedProtectedFieldsInTheTextDialect", R"(
      host \5T\a:\@    \b:\DID7 \ ; key Enter ; sent K\5\\w<00>F=00<00>)"},
};
SCENARIOS(FormReplies, kReplies);

// A table of 14 rows whose replies name the row (header 0x200), its entry on
// row 2: rows count from there, and round the end.
TEST(FormReply, TableRowReplyCountsRowsFromTheFirstEntryRow) {
  std::string table = "binary ; host/200,0,3,50 item";
  for (int32_t row = 1; row < 14; ++row) table += "^<0A>item";
  for (const auto& [downs, sent] : {std::pair{11, "SB"}, {12, "SC"}}) {
    TestTerminal tt;
    RunScenario(tt, table);
    for (int32_t i = 0; i < downs; ++i) RunScenario(tt, "key Down");
    RunScenario(tt, std::string("key Enter ; sent ") + sent);
  }
}

// Forty fields of 29 cells, one a row, each typed over; the twelfth current.
TEST(FormReply, ReplyLongerThanOneTransmitArrivesWholeWithTwoDigitIndices) {
  TestTerminal tt(40, 30);
  std::string form = "host \\1T", keys, sent = "K\\1";
  for (int32_t i = 0; i < 40; ++i) {
    const std::string text(29, char('A' + i % 26));
    form += "\\x\\@" + text;
    keys += " ; type " + text.substr(0, 1) + (i < 39 ? " ; key Tab" : "");
    sent += "\\" + std::to_string(i) + "\\K" + text;
  }
  ASSERT_GT(sent.size(), size_t(kTransmitLimit));
  for (int32_t i = 39; i > 12; --i) keys += " ; key Up";
  RunScenario(tt, form + "\\" + keys + " ; key Enter ; sent " + sent + "\\\\w<00>F=12<00>");
}

}  // namespace
}  // namespace marl::testing
