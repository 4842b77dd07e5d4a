// The host toolkit's parser against what the terminal sends, one group a
// message kind, and against bytes no terminal sends.
#include "host/terminal_messages.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace marl::host {
namespace {

using namespace std::string_literals;

// What a message says, beyond its defaults, in one line.
std::string Describe(const TerminalMessage& m) {
  std::ostringstream out;
  out << MessageKindName(m.kind);
  if (m.rows || m.columns) out << " " << m.rows << "x" << m.columns;
  for (const std::string* s : {&m.address, &m.version, &m.id}) {
    if (!s->empty()) out << " " << *s;
  }
  if (m.status) out << " status " << m.status;
  if (m.kind == MessageKind::kPing) out << " " << m.ping_ms << "ms";
  if (m.form_id) out << " form " << m.form_id;
  for (const ReplyField& f : m.fields) {
    out << " [" << f.index << " " << f.entry;
    if (f.terminator) out << "/" << int(f.terminator);
    out << " " << f.value << "]";
  }
  if (m.entry) out << " entry " << m.entry;
  if (m.terminator) out << "/" << int(m.terminator);
  if (m.row >= 0) out << " row " << m.row;
  if (!m.text.empty()) out << " text " << m.text;
  if (m.reply_letter >= 0)
    out << (m.whole_reply_letter ? " whole " : " letter ") << char(m.reply_letter);
  if (m.current_field >= 0) out << " F=" << m.current_field;
  return out.str();
}

// Parses all of `bytes` as one message; "K" replies are read with the
// trailer the text dialect adds unless `trailer` is off.
std::string One(const std::string& bytes, bool trailer = true) {
  TerminalMessage m;
  const ParseResult r = ParseTerminalMessage(bytes, &m, ParseOptions{trailer});
  EXPECT_EQ(r.status, ParseStatus::kOk) << r.error;
  EXPECT_EQ(r.used, bytes.size());
  EXPECT_EQ(m.bytes, bytes.substr(0, r.used));
  return Describe(m);
}

ParseStatus StatusOf(const std::string& bytes, size_t* used = nullptr) {
  TerminalMessage m;
  const ParseResult r = ParseTerminalMessage(bytes, &m);
  if (used != nullptr) *used = r.used;
  return r.status;
}

TEST(TerminalMessages, EachKind) {
  const std::pair<std::string, const char*> cases[] = {
      {"P,Rows=16,Cols=20\0IP=192.168.0.5"s, "power-up 16x20 192.168.0.5"},
      {"P,Rows=9,Cols=16", "power-up 9x16"},  // no address known
      {"IR16,20,00", "identification 16x20 00"},
      {"SCAN01,", "simulator ID SCAN01"},
      {"K\\\\1", "status status 1"},
      {"K\\\\F", "status status F"},  // a tone's bad frequency
      {"NG,35", "ping 35ms"},
      {"NG,0", "ping 0ms"},
      {"IS,", "IS"},
      // A backslash that starts no field is data.
      {"K\\1\\0\\Kbob\\12\\S\x01"
       "A\\B\\\\w\0F=12\0"s,
       "form reply form 1 [0 K bob] [12 S/1 A\\B] letter w F=12"},
      {"K\\-10\\\\z\0F=00\0"s, "form reply form -10 letter z F=0"},
      // Reply mode 3: the reply is K, two backslashes and the letter alone.
      {"K\\\\q\0F=00\0"s, "form reply whole q F=0"},
      {"SB\\\\w\0F=00\0"s, "table reply entry S row 11 text B letter w F=0"},
      {"S\x01"
       "4711\\\\w\0F=00\0"s,
       "table reply entry S/1 text 4711 letter w F=0"},
      {"K42\0F=00\0"s, "table reply entry K text 42 F=0"},
  };
  for (const auto& [bytes, description] : cases) EXPECT_EQ(One(bytes), description) << bytes;
  // Without the trailer (the text dialect off) a reply runs to the end.
  EXPECT_EQ(One("K\\3\\0\\K12", false), "form reply form 3 [0 K 12]");
}

TEST(TerminalMessages, TwoMessagesInOneRead) {
  TerminalMessage m;
  const std::string both = "SCAN01,P,Rows=16,Cols=20\0IP=127.0.0.1"s;
  EXPECT_EQ(ParseTerminalMessage(both, &m).used, 7u);
  EXPECT_EQ(Describe(m), "simulator ID SCAN01");
  EXPECT_EQ(One(both.substr(7)), "power-up 16x20 127.0.0.1");
  EXPECT_EQ(ParseTerminalMessage("K\\\\0K\\\\4", &m).used, 4u);
  EXPECT_EQ(Describe(m), "status status 0");
}

TEST(TerminalMessages, IncompleteAndMalformedInput) {
  for (const std::string& part :
       {""s, "P,Ro"s, "P,Rows=16"s, "P,Rows=16,Co"s, "P,Rows=16,Cols=20\0I"s, "NG,"s, "IR16,"s,
        "K\\1\\0\\Kab"s, "K\\1\\0\\Kab\\\\w\0F=0"s, "S0"s, "K\\\\"s}) {
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
  EXPECT_EQ(StatusOf("K" + std::string(kLongestMessage - 1, 'a')), ParseStatus::kIncomplete);
  EXPECT_EQ(StatusOf("K" + std::string(kLongestMessage, 'a'), &used), ParseStatus::kMalformed);
  EXPECT_EQ(used, kLongestMessage + 1);
  EXPECT_EQ(StatusOf("K\\1x\\\\w\0F=00\0"s, &used), ParseStatus::kMalformed);  // not a field
  EXPECT_EQ(used, 13u);  // the whole reply, trailer included
  EXPECT_EQ(StatusOf("X\\\\w\0F=00\0"s), ParseStatus::kMalformed);  // neither K nor S
}

}  // namespace
}  // namespace marl::host
