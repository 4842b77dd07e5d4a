// The host toolkit's parser against what the terminal sends, one group a
// message kind, and against bytes no terminal sends.
#include "host/terminal_messages.h"

#include <gtest/gtest.h>

#include <string>

namespace marl::host {
namespace {

using namespace std::string_literals;

// Parses all of `bytes` as one message.
TerminalMessage One(const std::string& bytes, const ParseOptions& options = {}) {
  TerminalMessage m;
  const ParseResult r = ParseTerminalMessage(bytes, &m, options);
  EXPECT_EQ(r.status, ParseStatus::kOk) << r.error;
  EXPECT_EQ(r.used, bytes.size());
  EXPECT_EQ(m.bytes, bytes.substr(0, r.used));
  return m;
}

ParseStatus StatusOf(const std::string& bytes, size_t* used = nullptr) {
  TerminalMessage m;
  const ParseResult r = ParseTerminalMessage(bytes, &m);
  if (used != nullptr) *used = r.used;
  return r.status;
}

TEST(TerminalMessages, PowerUpSimulatorIdAndIdentification) {
  TerminalMessage m = One("P,Rows=16,Cols=20\0IP=192.168.0.5"s);
  EXPECT_EQ(m.kind, MessageKind::kPowerUp);
  EXPECT_EQ(m.rows, 16);
  EXPECT_EQ(m.columns, 20);
  EXPECT_EQ(m.address, "192.168.0.5");
  EXPECT_EQ(One("P,Rows=9,Cols=16").address, "");  // no address known
  m = One("IR16,20,00");
  EXPECT_EQ(m.kind, MessageKind::kIdentification);
  EXPECT_EQ(m.rows, 16);
  EXPECT_EQ(m.version, "00");
  // The ID and the power-up in one read: two messages.
  const std::string both = "SCAN01,P,Rows=16,Cols=20\0IP=127.0.0.1"s;
  ParseResult r = ParseTerminalMessage(both, &m);
  EXPECT_EQ(r.used, 7u);
  EXPECT_EQ(m.kind, MessageKind::kSimulatorId);
  EXPECT_EQ(m.id, "SCAN01");
  EXPECT_EQ(One("SCAN01,").id, "SCAN01");
  EXPECT_EQ(One(both.substr(7)).kind, MessageKind::kPowerUp);
}

TEST(TerminalMessages, StatusRepliesPingsAndIS) {
  EXPECT_EQ(One("K\\\\1").status, '1');
  EXPECT_EQ(One("K\\\\F").status, 'F');  // a tone's bad frequency
  TerminalMessage m;
  const ParseResult r = ParseTerminalMessage("K\\\\0K\\\\4", &m);
  EXPECT_EQ(r.used, 4u);
  EXPECT_EQ(m.kind, MessageKind::kStatus);
  m = One("NG,35");
  EXPECT_EQ(m.kind, MessageKind::kPing);
  EXPECT_EQ(m.ping_ms, 35u);
  EXPECT_EQ(One("NG,0").ping_ms, 0u);
  EXPECT_EQ(One("IS,").kind, MessageKind::kInfoRequest);
}

TEST(TerminalMessages, FormReplies) {
  // Without the trailer (the text dialect off) a reply runs to the end.
  TerminalMessage m = One("K\\3\\0\\K12", ParseOptions{false});
  EXPECT_EQ(m.kind, MessageKind::kFormReply);
  EXPECT_EQ(m.form_id, 3);
  ASSERT_EQ(m.fields.size(), 1u);
  EXPECT_EQ(m.fields[0].index, 0);
  EXPECT_EQ(m.fields[0].entry, 'K');
  EXPECT_EQ(m.fields[0].value, "12");
  EXPECT_EQ(m.reply_letter, -1);

  m =
      One("K\\1\\0\\Kbob\\12\\S\x01"
          "A\\B\\\\w\0F=12\0"s);
  EXPECT_EQ(m.form_id, 1);
  EXPECT_EQ(m.reply_letter, 'w');
  EXPECT_EQ(m.current_field, 12);
  ASSERT_EQ(m.fields.size(), 2u);
  EXPECT_EQ(m.fields[1].index, 12);
  EXPECT_EQ(m.fields[1].entry, 'S');
  EXPECT_EQ(m.fields[1].terminator, '\x01');
  EXPECT_EQ(m.fields[1].value, "A\\B");  // a backslash that starts no field is data

  m = One("K\\-10\\\\z\0F=00\0"s);
  EXPECT_EQ(m.form_id, -10);
  EXPECT_TRUE(m.fields.empty());
  EXPECT_EQ(m.reply_letter, 'z');

  // Reply mode 3: the reply is K, two backslashes and the letter alone.
  m = One("K\\\\q\0F=00\0"s);
  EXPECT_EQ(m.kind, MessageKind::kFormReply);
  EXPECT_TRUE(m.whole_reply_letter);
  EXPECT_EQ(m.reply_letter, 'q');
}

TEST(TerminalMessages, TableReplies) {
  TerminalMessage m = One("SB\\\\w\0F=00\0"s);
  EXPECT_EQ(m.kind, MessageKind::kTableReply);
  EXPECT_EQ(m.row, 11);
  EXPECT_EQ(m.reply_letter, 'w');
  m =
      One("S\x01"
          "4711\\\\w\0F=00\0"s);
  EXPECT_EQ(m.entry, 'S');
  EXPECT_EQ(m.terminator, '\x01');
  EXPECT_EQ(m.text, "4711");
  EXPECT_EQ(One("K\\\\x\0F=00\0"s).whole_reply_letter, true);
  EXPECT_EQ(One("K42\0F=00\0"s).text, "42");
}

TEST(TerminalMessages, IncompleteAndMalformedInput) {
  for (const std::string& part :
       {""s, "P,Ro"s, "P,Rows=16"s, "P,Rows=16,Co"s, "P,Rows=16,Cols=20\0I"s, "NG,"s, "IR16,"s,
        "K\\1\\0\\Kab"s, "K\\1\\0\\Kab\\\\w\0F=0"s, "S0"s}) {
    EXPECT_EQ(StatusOf(part), ParseStatus::kIncomplete) << part;
  }
  size_t used = 0;
  // Bytes before something that may start a message are dropped alone.
  EXPECT_EQ(StatusOf("\xff\xfe garbageNG,1"s, &used), ParseStatus::kMalformed);
  EXPECT_EQ(used, 10u);
  for (const std::string& bad : {"zzz"s, "P,Rows=x"s, "NG,x"s, "IR16x"s, "\0\0"s}) {
    EXPECT_EQ(StatusOf(bad, &used), ParseStatus::kMalformed) << bad;
    EXPECT_GE(used, 1u);
    EXPECT_LE(used, bad.size());
  }
  // A reply that never ends is given up once longer than any reply.
  EXPECT_EQ(StatusOf("K" + std::string(kLongestMessage, 'a'), &used), ParseStatus::kMalformed);
  EXPECT_EQ(used, kLongestMessage + 1);
  EXPECT_EQ(StatusOf("K\\1x\\\\w\0F=00\0"s, &used), ParseStatus::kMalformed);  // not a field
  EXPECT_EQ(used, 13u);  // the whole reply, trailer included
  EXPECT_EQ(StatusOf("X\\\\w\0F=00\0"s), ParseStatus::kMalformed);  // neither K nor S
}

}  // namespace
}  // namespace marl::host
