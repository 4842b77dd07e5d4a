#include "commands/records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/guarded_alloc.h"
#include "base/terminal_config.h"
#include "host_records.h"
#include "input/toggles.h"
#include "scenario.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

// Kind 0x90 is an unknown kind: dispatch shows it as a bad command, with the
// record's text in the box, so a test can see where each record ended.
const std::string kBad = "\x90";

// Each chunk's return, then the events: a bad command as its record's text.
std::string Feed(TestTerminal& tt, const std::vector<std::string>& chunks) {
  std::string out;
  for (const std::string& chunk : chunks) out += std::to_string(tt.Host(chunk)) + ",";
  for (std::string e : tt.Events()) {
    if (e.rfind("refused ", 0) == 0) continue;  // refusal_test's subject
    if (e.rfind("print ", 0) == 0) {            // the preparser's; only its verdict counts here
      if (e.find("error parsing") != std::string::npos) out += " rejected";
      continue;
    }
    const size_t at = e.find("\\x90");
    if (e.rfind("msgbox", 0) == 0) e = e.substr(at, e.rfind("\\n0x") - at);
    out += " " + e;
  }
  return out;
}

TEST(Records, BadCommandBoxAndStatus) {
  TestTerminal tt;
  EXPECT_EQ(tt.Host("\x90\x31\x32\x33\n"), 0);
  // The record's text is right-aligned in 15 columns.
  EXPECT_EQ(tt.Events(),
            (std::vector<std::string>{"msgbox \"\" \"Bad Command:            "
                                      "\\x90123\\n\\n0xffffff90 0x31 0x32\" ok ok",
                                      "refused K\\\\1 \"failed, or a command the terminal does not "
                                      "have\" record \"\\x90123\""}));
  EXPECT_EQ(tt.Sent(), Reply(kStatusFailure));
}

TEST(Records, WhereRecordsEnd) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{kBad + "AB\n" + kBad + "CD\n"}, "0, \\x90AB\\n \\x90CD\\n"},
      // A carriage return goes with the block's last line feed only.
      {{kBad + "AB\r\n"}, "0, \\x90AB\\n"},
      {{kBad + "AB\r\n" + kBad + "CD\r\n"}, "0, \\x90AB\\r\\n \\x90CD\\n"},
      // A block waits for its line end; a line end alone makes no record.
      {{kBad + "AB\n" + kBad + "CD", "EF\n"}, "-1,0, \\x90AB\\n \\x90CDEF\\n"},
      {{"\n", kBad + "X\n"}, "-1,0, \\x90X\\n"},
      // An escaped line feed is inside the record, even at a chunk's end.
      {{kBad + "A^\nB\n"}, "0, \\x90A^\\nB\\n"},
      {{kBad + "C^\n", "D\n"}, "-1,0, \\x90C^\\nD\\n"},
      // The marker joins the next chunk to the pending block; alone it is no
      // marker but a (rejected) text-dialect record start.
      {{kBad + "A**MoRe**", "B\n"}, "-1,0, \\x90AB\\n"},
      {{"**MoRe**", "\n"}, "-1,0, rejected"},
      // A kind byte is never a line end. A kind below 0x80 is never a bad
      // command: the text dialect rejects it and the rest of its block.
      {{"Z1\n" + kBad + "after\n"}, "0, rejected"},
      {{kBad + "A\n\n" + kBad + "B\n"}, "0, \\x90A\\n rejected"},
      // A beep record stands alone and abandons the pending block; its count
      // is a signed byte.
      {{kBad + "pending", "\x81\x04\n", kBad + "X\n"}, "-1,0,0, beep 1000 1000 \\x90X\\n"},
      {{"\x81\xFF"}, "0, beep 1000 -250"},
  };
  for (const auto& [chunks, out] : cases) {
    TestTerminal tt;
    EXPECT_EQ(Feed(tt, chunks), out) << chunks[0];
  }
  TestTerminal tt;
  tt.Host(kBad + "A**MoRe**");
  EXPECT_EQ(tt.Row(0).substr(0, 10), "More......");
}

TEST(Records, OverflowTakesOnlyTheRoom) {
  TestTerminal tt;
  EXPECT_EQ(tt.Host(kBad + std::string(199, 'p')), -1);
  EXPECT_EQ(tt.Host(std::string(4000, 'q')), -1);
  // The bytes cut off are named, the first 24 of them.
  EXPECT_EQ(tt.Events(),
            (std::vector<std::string>{"msgbox \"\" \"CmdBuf Overflow 4000 > 3896/4096\" ok ok",
                                      "refused dropped \"past the end of the 4096-byte command "
                                      "buffer\" record \"" +
                                          std::string(24, 'q') + "\""}));
  EXPECT_EQ(tt.t().records.fill, 4096);
  // The full buffer ends only with a line end that fits; nothing more does.
  tt.Host("\n");
  EXPECT_EQ(tt.Events(),
            (std::vector<std::string>{"msgbox \"\" \"CmdBuf Overflow 1 > 0/4096\" ok ok",
                                      "refused dropped \"past the end of the 4096-byte command "
                                      "buffer\" record \"\\n\""}));
}

TEST(Records, ReleasingTwiceReleasesOnce) {
  TestTerminal tt;
  Terminal& t = tt.t();
  const AllocState before = t.alloc;
  FreeHostRecord(t, NewHostRecord(t, 13, "Z00000000\\SAB"));
  EXPECT_EQ(t.alloc.bytes_in_use, before.bytes_in_use);
  EXPECT_EQ(t.alloc.releases, before.releases + 2);
  // A release clears the record's guard first; a record without it, or no
  // record at all, is not released again.
  HostRecord released;
  FreeHostRecord(t, &released);
  FreeHostRecord(t, nullptr);
  EXPECT_EQ(t.alloc.releases, before.releases + 2);
}

TEST(Records, ResetReleasesEverythingAndAnnounces) {
  TestTerminal tt;
  Terminal& t = tt.t();
  const int32_t in_use = t.alloc.bytes_in_use;
  // A bank, a table, a key map, a queued script, a longer beep, a waiting
  // terminal: the reset record gives all of it up and powers up afresh.
  RunScenario(tt, R"(
      host \1T\a:\@  \ ; key Enter ; sent K\1\\w<00>F=00<00> ; host \BU\03\bank ; host \2S\A:\@x
      host \F\map ; host \Kab
      bytes <86> x<21><01><7F><0A> ; reply success success success success ; bytes <FF><0A>)");
  EXPECT_EQ(t.alloc.bytes_in_use, in_use);
  EXPECT_EQ(t.banks.slots[3], nullptr);
  EXPECT_EQ(t.script.length + t.session.waiting, 0);
  EXPECT_EQ(Config(t).beep_duration, 120);
  EXPECT_EQ(tt.Sent().substr(0, 21), std::string("P,Rows=16,Cols=20\0IP=", 21));
}

// The parameter character, programmable key, beep duration and the two numbers.
std::string Parameters(const TerminalConfig& c) {
  return std::string(1, char(c.parameter_char)) + " " + std::to_string(c.programmable_key) + " " +
         std::to_string(c.beep_duration) + " " + std::to_string(c.parameter4) + " " +
         std::to_string(c.parameter5);
}

TEST(Records, TerminalParametersAndTheirReset) {
  TestTerminal tt;
  // Bytes 1 to 5, the duration in units of 30 ms; then the reader block,
  // which changes nothing. A parameter record gets no reply.
  tt.Host("\x86*\x09\x0C\x02\x05@ABC\n");
  EXPECT_EQ(Parameters(Config(tt.t())), "* 9 360 2 5");
  ErrorBeep(tt.t());
  EXPECT_EQ(tt.Events(), std::vector<std::string>{"beep 440 360"});
  EXPECT_EQ(tt.Sent(), "");
  // A short record reads zero bytes past its end, never memory after it.
  tt.Host("\x86x\n");
  EXPECT_EQ(Parameters(Config(tt.t())), "x 0 0 0 0");
  tt.Host("\xFF\n");
  EXPECT_EQ(Parameters(Config(tt.t())), "  32 120 1 30000");
}

}  // namespace
}  // namespace marl::testing
