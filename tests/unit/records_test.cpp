#include "interp/records.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "terminal_fixture.h"

namespace marl::testing {
namespace {

// Records reach dispatch as bad commands when their kind byte is an unknown
// one of 0x80 and above, which makes their text visible in the box. These
// tests use kind 0x90 for that reason.
std::string Bad(std::string body) {
  return "\x90" + body;
}

std::vector<std::string> BoxTexts(TestTerminal& tt) {
  std::vector<std::string> texts;
  for (const std::string& e : tt.Events()) {
    if (e.rfind("msgbox ", 0) == 0) texts.push_back(e);
  }
  return texts;
}

TEST(Records, BadCommandBoxAndStatus) {
  TestTerminal tt;
  EXPECT_EQ(tt.Host(std::string("\x90\x31\x32\x33\n")), 0);
  auto events = tt.Events();
  ASSERT_EQ(events.size(), 1u);
  // The record's text is right-aligned in 15 columns.
  EXPECT_EQ(events[0], "msgbox \"\" \"Bad Command: " + std::string(11, ' ') +
                           "\\x90123\\n\\n0xffffff90 0x31 0x32\" ok ok");
  EXPECT_EQ(tt.Sent(), "K\\\\1");

  SetStatusReplies(tt.t(), 0);
  tt.Host(std::string("\x90\x31\x32\x33\n"));
  EXPECT_EQ(tt.Sent(), "");
}

TEST(Records, SplittingAtLineFeeds) {
  TestTerminal tt;
  // Two records in one chunk: the first ends at its line feed, the last
  // keeps the block's zero byte in its length.
  tt.Host(Bad("AB\n") + Bad("CD\n"));
  auto boxes = BoxTexts(tt);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].find(" \\x90AB\\n"), std::string::npos);
  EXPECT_NE(boxes[1].find(" \\x90CD\\n"), std::string::npos);
  EXPECT_EQ(tt.Sent(), "K\\\\1K\\\\1");
}

TEST(Records, LineEndsAndCarriageReturns) {
  TestTerminal tt;
  tt.Host(Bad("AB\r\n"));
  auto boxes = BoxTexts(tt);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("\\x90AB\\n"), std::string::npos);

  // The carriage return before an inner line feed stays in the record.
  tt.Host(Bad("AB\r\n") + Bad("CD\r\n"));
  boxes = BoxTexts(tt);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].find("\\x90AB\\r\\n"), std::string::npos);
  EXPECT_NE(boxes[1].find("\\x90CD\\n"), std::string::npos);
}

TEST(Records, BlockWaitsForItsLineEnd) {
  TestTerminal tt;
  EXPECT_EQ(tt.Host(Bad("AB\n") + Bad("CD")), -1);  // no line end at the chunk's end
  EXPECT_TRUE(tt.Events().empty());
  EXPECT_EQ(tt.Host("EF\n"), 0);
  auto boxes = BoxTexts(tt);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[1].find("\\x90CDEF\\n"), std::string::npos);
  // A line end alone makes no record.
  EXPECT_EQ(tt.Host("\n"), -1);
  EXPECT_TRUE(tt.Events().empty());
  tt.Host(Bad("X\n"));
  EXPECT_EQ(BoxTexts(tt).size(), 1u);
}

TEST(Records, MoreMarker) {
  TestTerminal tt;
  EXPECT_EQ(tt.Host(Bad("A**MoRe**")), -1);
  EXPECT_EQ(tt.Row(0).substr(0, 10), "More......");
  EXPECT_EQ(tt.Host("B\n"), 0);
  auto boxes = BoxTexts(tt);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("\\x90AB\\n"), std::string::npos);

  // Eight marker bytes alone, with nothing pending, are no marker: the chunk
  // is a (rejected) text-dialect record start.
  TestTerminal fresh;
  EXPECT_EQ(fresh.Host("**MoRe**"), -1);
  EXPECT_EQ(fresh.Row(0), std::string(20, ' '));
  EXPECT_EQ(fresh.Host("\n"), 0);
}

TEST(Records, CaretEscapesKeepLineFeedsInside) {
  TestTerminal tt;
  tt.Host(Bad("A^\nB\n"));
  auto boxes = BoxTexts(tt);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("\\x90A^\\nB\\n"), std::string::npos);

  // An escaped line end at a chunk's end does not end the block.
  EXPECT_EQ(tt.Host(Bad("C^\n")), -1);
  EXPECT_EQ(tt.Host("D\n"), 0);
  boxes = BoxTexts(tt);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("\\x90C^\\nD\\n"), std::string::npos);
}

TEST(Records, KindByteIsNeverALineEnd) {
  TestTerminal tt;
  // The second record's kind byte is itself a line feed: the text-dialect
  // stub rejects it, and with it the rest of the block.
  tt.Host(Bad("A\n") + "\n" + Bad("B\n"));
  EXPECT_EQ(BoxTexts(tt).size(), 1u);
}

TEST(Records, BeepRecordStandsAlone) {
  TestTerminal tt;
  EXPECT_EQ(tt.Host(Bad("pending")), -1);
  EXPECT_EQ(tt.Host("\x81\x04\n"), 0);
  EXPECT_EQ(tt.Events(), std::vector<std::string>{"beep 1000 1000"});
  // The pending block was abandoned.
  tt.Host(Bad("X\n"));
  auto boxes = BoxTexts(tt);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("\\x90X\\n"), std::string::npos);
  // A negative count reads as a signed byte.
  tt.Host("\x81\xFF");
  EXPECT_EQ(tt.Events(), std::vector<std::string>{"beep 1000 -250"});
}

TEST(Records, OverflowTakesOnlyTheRoom) {
  TestTerminal tt;
  EXPECT_EQ(tt.Host(Bad(std::string(199, 'p'))), -1);
  const std::string big(4000, 'q');
  EXPECT_EQ(tt.Host(big), -1);
  auto events = tt.Events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0], "msgbox \"\" \"CmdBuf Overflow 4000 > 3896/4096\" ok ok");
  EXPECT_EQ(tt.t().records.fill, 4096);
  // The full buffer ends only with a line end that fits; nothing more does.
  tt.Host("\n");
  events = tt.Events();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_NE(events[0].find("CmdBuf Overflow 1 > 0/4096"), std::string::npos);
}

TEST(Records, TextDialectRecordsGoToThePreparser) {
  TestTerminal tt;
  // Z is below 0x80: never a bad command; rejected with the rest of the block.
  tt.Host("Z1\n" + Bad("after\n"));
  // The preparser's labels are its only output: no bad-command box.
  for (const std::string& e : tt.Events()) EXPECT_EQ(e.rfind("print ", 0), 0u) << e;
  EXPECT_EQ(tt.Sent(), "");
}

TEST(Records, LifetimeAndClone) {
  TestTerminal tt;
  Terminal& t = tt.t();
  const AllocState before = t.alloc;
  HostRecord* record = NewHostRecord(t, 13,
                                     "\x82"
                                     "00000000\\SAB");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->guard, kRecordAlive);
  EXPECT_EQ(record->length, 13);
  EXPECT_EQ(std::string(record->text),
            "\x82"
            "00000000\\SAB");
  record->command = record->text + 9;
  record->header = record->text + 1;
  record->count = 7;

  HostRecord* clone = CloneHostRecord(t, 5,
                                      "\x82"
                                      "XYZW",
                                      record);
  ASSERT_NE(clone, nullptr);
  EXPECT_EQ(clone->length, 5);
  EXPECT_EQ(clone->count, 7);
  EXPECT_EQ(clone->command, clone->text + 9);
  EXPECT_EQ(clone->header, clone->text + 1);
  EXPECT_EQ(*clone->command, 0);  // short texts are padded past the prefix

  FreeHostRecord(t, record);
  FreeHostRecord(t, clone);
  EXPECT_EQ(t.alloc.bytes_in_use, before.bytes_in_use);
  const int32_t releases = t.alloc.releases;
  HostRecord stale;  // a second release of a released record does nothing
  FreeHostRecord(t, &stale);
  FreeHostRecord(t, nullptr);
  EXPECT_EQ(t.alloc.releases, releases);
}

TEST(Records, TerminalParameterRecord) {
  TestTerminal tt;
  tt.Host("\x86 \x09\x0C\x02\x05@ABC\n");
  const TerminalConfig& c = Config(tt.t());
  EXPECT_EQ(c.programmable_key, 9);
  EXPECT_EQ(c.beep_duration, 360);
  EXPECT_EQ(c.parameter4, 2);
  EXPECT_EQ(c.parameter5, 5);
  EXPECT_EQ(tt.Sent(), "");
  // A short record reads zero bytes past its end, never memory after it.
  tt.Host("\x86\n");
  EXPECT_EQ(Config(tt.t()).beep_duration, 0);
}

TEST(Records, ResetReleasesEverythingAndAnnounces) {
  TestTerminal tt;
  Terminal& t = tt.t();
  const int32_t in_use = t.alloc.bytes_in_use;
  t.banks.slots[3] = GuardedCopy(t, "bank", -1, __LINE__, "banks");
  t.tables.slots[2] = NewHostRecord(t, 3, "abc");
  t.key_maps.maps[1] = GuardedCopy(t, "map", -1, __LINE__, "keys");
  t.input.waiting = 1;
  Config(t).beep_duration = 999;
  tt.Host("\xFF\n");
  EXPECT_EQ(t.alloc.bytes_in_use, in_use);
  EXPECT_EQ(t.input.waiting, 0);
  EXPECT_EQ(Config(t).beep_duration, 120);
  // The power-up carries the local address after its zero byte.
  EXPECT_EQ(tt.Sent().substr(0, 21), std::string("P,Rows=16,Cols=20\0IP=", 21));

  t.records.text_dialect = 0;
  tt.Host("\xFF\n");
  EXPECT_EQ(tt.Sent(), "");
}

TEST(Records, StatusCodesTravelAsDigitsOrBytes) {
  TestTerminal tt;
  SendStatus(tt.t(), 0);
  SendStatus(tt.t(), 9);
  SendStatus(tt.t(), 'L');
  EXPECT_EQ(tt.Sent(), "K\\\\0K\\\\9K\\\\L");
}

}  // namespace
}  // namespace marl::testing
