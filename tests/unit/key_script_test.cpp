#include "input/key_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_records.h"
#include "input/toggles.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

using Keys = std::vector<int32_t>;

class KeyScript : public ::testing::Test {
 protected:
  // A K command; returns its status reply.
  std::string K(const std::string& script) {
    tt.Host(Command("\\K" + script));
    return tt.Sent();
  }
  Keys Queued() {
    const ScriptState& s = tt.t().script;
    return Keys(s.queue + s.read_position, s.queue + s.length);
  }
  Keys Drain() {
    Keys keys;
    for (int32_t key; keys.size() <= kScriptQueueSize && (key = NextScriptKey(tt.t())) != 0;) {
      keys.push_back(key);
    }
    return keys;
  }
  TestTerminal tt;
};

TEST_F(KeyScript, Items) {
  const std::pair<const char*, Keys> scripts[] = {
      {"AB@E", {65, 66, 13}},
      // After @A: a code byte up to ']' takes its alternate key, any other
      // byte (and the '@' of @@) the alternate bit; an M skips to the next '@'.
      {"@A1@Ax@A]", {4130, 120 + 0x400, 1}},
      {"@A@@@AMskip me@B@Amx@C", {0x440, 66, 67}},
      // An alternate lookup past the table gives the alternate bit too.
      {"@A@^x@A@zy", {'^' | 0x400, 'x', 'z' | 0x400, 'y'}},
      // @S and a byte (upper-cased), @r and a byte, a stop mark; an unknown
      // byte after '@' is consumed and keeps the flag; a lone '@' ends.
      {"@Sa@S1@rC@r1@r@@@!x@A@~y@", {'A', '1', 2, 0, kScriptStopMark, 'x', 'y' | 0x400}},
      {"@rd65535;@rd;", {kScriptDelayMark, 65535, kScriptDelayMark, 0}},
  };
  for (const auto& [script, keys] : scripts) {
    ClearKeyScript(tt.t());
    EXPECT_EQ(K(script), Status('0')) << script;
    EXPECT_EQ(Queued(), keys) << script;
  }
}

TEST_F(KeyScript, Pauses) {
  EXPECT_EQ(K("@rd500;X"), Status('0'));
  tt.Events();
  EXPECT_EQ(Drain(), Keys{'X'});
  EXPECT_EQ(tt.Events(), std::vector<std::string>{"sleep 500"});
  // Without its ';' the mark stays queued, alone, and ends the script.
  EXPECT_EQ(K("@rd500"), Status('1'));
  EXPECT_EQ(NextScriptKey(tt.t()), 0);
  const std::vector<std::string> events = tt.Events();  // the refusal alone
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].rfind("refused K\\\\1 ", 0), 0u);
  EXPECT_EQ(K("@rd9999999;"), Status('1'));  // digits stop at 65535
}

TEST_F(KeyScript, QueueLimitAndAppending) {
  EXPECT_EQ(K(std::string(255, 'a')), Status('0'));
  EXPECT_EQ(K("bc"), Status('3'));
  EXPECT_EQ(tt.t().script.length, kScriptQueueSize);
  EXPECT_EQ(tt.t().script.queue[255], 'b');
  EXPECT_EQ(K("@rd5;"), Status('3'));
  EXPECT_EQ(K(""), Status('0'));  // an empty script clears the queue
  EXPECT_EQ(tt.t().script.length, 0);
  // A new script appends to what is still queued; an emptied queue starts over.
  K("a@r@@b");
  EXPECT_EQ(NextScriptKey(tt.t()), 'a');
  K("c");
  EXPECT_EQ(Drain(), (Keys{'b', 'c'}));
  EXPECT_EQ(tt.t().script.length + tt.t().script.read_position, 0);
}

TEST_F(KeyScript, ErrorBeepSkipsToTheStopMarkWhileRunning) {
  K("ab@r@@cd");
  ErrorBeep(tt.t());  // not running: nothing skipped
  EXPECT_EQ(NextScriptKey(tt.t()), 'a');
  SetScriptRunning(tt.t(), 1);
  ErrorBeep(tt.t());
  EXPECT_EQ(Drain(), (Keys{'c', 'd'}));
  K("xy");  // without a stop mark the rest goes
  ErrorBeep(tt.t());
  EXPECT_EQ(NextScriptKey(tt.t()), 0);
}

}  // namespace
}  // namespace marl::testing
