#include "interp/key_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_records.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

using Keys = std::vector<int32_t>;
using Events = std::vector<std::string>;

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
      {"@0@9@<@B@T@Z@a@z@`@[", {4167, 4163, 8, 4111, 9, 4173, 4164, 121, 96, 91}},
      // After @A: a code byte up to ']' takes its alternate key, any other
      // byte (and the '@' of @@) the alternate bit; an M skips to the next '@'.
      {"@A1", {4130}},
      {"@Ax", {120 + 0x400}},
      {"@AE@AF@AG@A]@A0@AC@A@1", {12357, 4148, 1, 1, 4129, 121, 4130}},
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
  EXPECT_EQ(NextScriptKey(tt.t()), 'X');
  EXPECT_EQ(tt.Events(), Events{"sleep 500"});
  EXPECT_EQ(tt.t().script.length, 0);
  // Without its ';' the mark stays queued, alone, and ends the script.
  EXPECT_EQ(K("@rd500"), Status('1'));
  EXPECT_EQ(Queued(), Keys{kScriptDelayMark});
  EXPECT_EQ(NextScriptKey(tt.t()), 0);
  EXPECT_EQ(tt.Events(), Events{});
  EXPECT_EQ(K("@rd9999999;"), Status('1'));  // digits stop at 65535
}

TEST_F(KeyScript, QueueLimitAndEmptyScript) {
  EXPECT_EQ(K(std::string(255, 'a')), Status('0'));
  EXPECT_EQ(K("bc"), Status('3'));
  EXPECT_EQ(tt.t().script.length, kScriptQueueSize);
  EXPECT_EQ(tt.t().script.queue[255], 'b');
  EXPECT_EQ(K("@rd5;"), Status('3'));
  EXPECT_EQ(K(""), Status('0'));
  EXPECT_EQ(tt.t().script.length, 0);
}

TEST_F(KeyScript, TakingKeys) {
  EXPECT_EQ(NextScriptKey(tt.t()), 0);
  K("a@r@@b");
  EXPECT_EQ(Drain(), (Keys{'a', 'b'}));
  EXPECT_EQ(tt.t().script.length + tt.t().script.read_position, 0);
  // A new script appends to what is still queued.
  K("ab");
  EXPECT_EQ(NextScriptKey(tt.t()), 'a');
  K("c");
  EXPECT_EQ(Drain(), (Keys{'b', 'c'}));
  K("abc");
  tt.Host("\xFF\n");
  EXPECT_EQ(tt.t().script.length, 0);
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
