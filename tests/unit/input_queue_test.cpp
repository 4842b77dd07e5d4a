#include "input/input_queue.h"

#include "forms/form.h"
#include "scenario.h"

namespace marl::testing {
namespace {

// Grown twice, the queue gives every entry back when cleared.
TEST(InputQueue, GrowsAndGivesAllBack) {
  TestTerminal tt;
  Terminal& t = tt.t();
  const int32_t in_use = t.alloc.bytes_in_use;
  SetWaitingForHost(t, 1);
  for (int32_t i = 0; i < 8; ++i) QueueKeystroke(t, 'a' + i);
  QueueScan(t, 3, "xyz", 1);
  for (int32_t i = 0; i < 8; ++i) QueueKeystroke(t, 'a' + i);
  ClearInputQueue(t);
  EXPECT_EQ(t.input.count, 0);
  EXPECT_EQ(t.alloc.bytes_in_use, in_use);
}

// Enter's reply makes the terminal wait, and the host's next screen replays
// what was queued; a scan's end depends on the dialect, the form's options
// (header 0x40: a full field moves on, 0x100: a scan ends with Tab) and the
// field's type ('P' sends when full).
const Scenario kQueue[] = {
    {"TextDialectDropsTheKeysThatWouldReply", R"(
      host \1T\^<0A>\@      \ ; key Enter ; sent K\1\\w<00>F=00<00>
      scan/3 B<00>C ; row 0 Queued Scan Batt
      key Enter F10 ShiftF10 ; row 0 Skipping Transmittab)"},
    {"ReplayStopsAtTheKeyThatRepliesAndKeepsScansWhole", R"(
      binary ; host \1T\^<0A>\@      \ ; key Enter ; sent K\1 ; waiting 1 ; scan/3 B<00>C
      type a ; key Enter ; type b
      # the whole scan, its zero byte no key; 'b' waits for the next screen
      host \2T\^<0A>\@      \ ; sent K\2\0\S<03>BCa ; field 0 BCa
      host \3T\^<0A>\@      \ ; field 0 b ; waiting 0)"},
    // The replay stops after Enter with five keys left; four more, queued
    // after the next reply, wrap round the block's end, and the last makes
    // it grow: all come back in order.
    {"KeysLeftAfterAReplyKeepTheirOrderAsTheQueueWrapsAndGrows", R"(
      binary ; host \1T\^<0A>\@      \ ; key Enter ; sent K\1 ; waiting 1
      type ab ; key Enter ; type cdefg
      host \2T\^<0A>\@          \ ; sent K\2\0\Kab ; field 0 ab
      key Enter ; sent K\2\0\Kab ; waiting 1 ; type hijk
      host \3T\^<0A>\@          \ ; field 0 cdefghijk ; waiting 0)"},
    {"KeyScriptPlaysAfterTheQueueAndEndsTheTurnWithItsLetter", R"(
      host \1T\^<0A>\@    \\@    \ ; host \Kab@T@Ax ; reply success
      host \1 ; sent K\1\0\Kab\\x<00>F=01<00>)"},
    // Only the text dialect carries the rest of a scan into the next field.
    {"TextDialectCarriesAFullScanOn", R"(
      host/40 \1T\a:\@wx\b:\@    \ ; scan/0 ABCD ; field 0 AB ; field 1 CD ; current 1)"},
    {"BinaryDialectDropsTheRestOfAFullScan", R"(
      binary ; host/40 \1T\a:\@wx\b:\@    \ ; scan/0 ABCD ; field 0 AB ; field 1 ; current 1)"},
    {"AFullFieldThatStaysTakesItsLastCellAgain", R"(
      binary ; host \1T\a:\@wx\b:\@    \ ; scan/0 ABC ; field 0 AC ; current 0)"},
    {"TextDialectTakesNoTabFromAScan", R"(
      host \1T\a:\@wx\b:\@    \ ; scan/0 A<09>B ; field 0 AB ; current 0)"},
    {"SendWhenFullEndsTheScanWithEnter", R"(
      binary ; host \1T\a:\Pwx\b:\@    \ ; scan/0 A ; field 0 Ax ; sent K\1\0\SAx)"},
    {"SendWhenFullTakesTheScansOwnEnter", R"(
      binary ; host \1T\a:\Pwx\b:\@    \ ; scan/0 A<0D> ; sent K\1\0\SAx ; host \1 ; sent)"},
    {"FullFieldMovesButSendWhenFullEndsTheScan", R"(
      binary ; host/40 \1T\a:\Pwx\b:\@    \ ; scan/0 AB ; sent K\1\0\SAB ; current 0)"},
    {"TextDialectBlanksTheRestAndTabsOn", R"(
      host/100 \1T\a:\@wx\b:\@    \ ; scan/0 A ; field 0 A ; current 1)"},
    {"RoutedScanLosesItsIdentifierAndLeavesTheCursorAlone", R"(
      host \1T\a:\@    \b:\@|S#|~      \c:\@|I$|~      \ ; binary ; type z
      scan #123# ; field 1 123 ; current 0 ; cursor 1 ; sent
      # only the first scan-identified field routes; this scan stays put
      scan $9$ ; field 2 ; field 0 z$9$)"},
};
SCENARIOS(Queue, kQueue);

}  // namespace
}  // namespace marl::testing
