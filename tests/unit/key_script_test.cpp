#include "interp/key_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_records.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

class KeyScript : public ::testing::Test {
 protected:
  // Runs a K command; returns its status reply.
  std::string K(const std::string& script) {
    tt.Host(Command("\\K" + script));
    return tt.Sent();
  }
  std::vector<int32_t> Queued() {
    const ScriptState& s = tt.t().script;
    return std::vector<int32_t>(s.queue + s.read_position, s.queue + s.length);
  }
  // Takes every key the script gives.
  std::vector<int32_t> Drain() {
    std::vector<int32_t> keys;
    for (int i = 0; i < kScriptQueueSize + 1; ++i) {
      const int32_t key = NextScriptKey(tt.t());
      if (key == 0) break;
      keys.push_back(key);
    }
    return keys;
  }
  TestTerminal tt;
};

using Keys = std::vector<int32_t>;

TEST_F(KeyScript, PlainBytesAndKeyTable) {
  EXPECT_EQ(K("AB@E"), Status('0'));
  EXPECT_EQ(Queued(), (Keys{65, 66, 13}));
  ClearKeyScript(tt.t());
  EXPECT_EQ(K("@0@9@<@B@T@Z@a@z@`@["), Status('0'));
  EXPECT_EQ(Queued(), (Keys{4167, 4163, 8, 4111, 9, 4173, 4164, 121, 96, 91}));
}

TEST_F(KeyScript, AlternateKeys) {
  EXPECT_EQ(K("@A1"), Status('0'));
  EXPECT_EQ(K("@Ax"), Status('0'));
  EXPECT_EQ(K("@AE@AF@AG@A]@A0@AC"), Status('0'));
  EXPECT_EQ(Queued(), (Keys{4130, 120 + 0x400, 12357, 4148, 1, 1, 4129, 121}));
  ClearKeyScript(tt.t());
  // "@@" takes the flag like a plain byte; an alternate M skips to the next '@'.
  EXPECT_EQ(K("@A@@@AMskip me@B@Amx@C"), Status('0'));
  EXPECT_EQ(Queued(), (Keys{0x440, 66, 67}));
}

TEST_F(KeyScript, AlternateAboveTheTableGivesTheAlternateBit) {
  EXPECT_EQ(K("@A@1@A@^x@A@zy"), Status('0'));
  // The flag is used up by the lookup: x and y stay plain.
  EXPECT_EQ(Queued(), (Keys{4130, '^' | 0x400, 'x', 'z' | 0x400, 'y'}));
}

TEST_F(KeyScript, OtherItems) {
  // @S and a byte (upper-cased); @r and a byte; a stop mark; unknown
  // bytes after '@' are consumed and keep the alternate flag.
  EXPECT_EQ(K("@Sa@S1@rC@r1@r@@@!x@A@~y@"), Status('0'));
  EXPECT_EQ(Queued(), (Keys{'A', '1', 2, 0, kScriptStopMark, 'x', 'y' | 0x400}));
}

TEST_F(KeyScript, Pauses) {
  EXPECT_EQ(K("@rd500;X"), Status('0'));
  EXPECT_EQ(Queued(), (Keys{kScriptDelayMark, 500, 'X'}));
  tt.Events();
  EXPECT_EQ(NextScriptKey(tt.t()), 'X');
  EXPECT_EQ(tt.Events(), std::vector<std::string>{"sleep 500"});
  EXPECT_EQ(tt.t().script.length, 0);

  EXPECT_EQ(K("@rd500"), Status('1'));
  EXPECT_EQ(Queued(), (Keys{kScriptDelayMark}));
  // A mark without its pause ends the script.
  EXPECT_EQ(NextScriptKey(tt.t()), 0);
  EXPECT_EQ(tt.Events(), std::vector<std::string>{});

  // Digits are taken while the pause is below 65535.
  EXPECT_EQ(K("@rd9999999;"), Status('1'));
  ClearKeyScript(tt.t());
  EXPECT_EQ(K("@rd65535;@rd;"), Status('0'));
  EXPECT_EQ(Queued(), (Keys{kScriptDelayMark, 65535, kScriptDelayMark, 0}));
}

TEST_F(KeyScript, QueueLimit) {
  std::string script(255, 'a');
  EXPECT_EQ(K(script), Status('0'));
  EXPECT_EQ(K("bc"), Status('3'));
  EXPECT_EQ(tt.t().script.length, kScriptQueueSize);
  EXPECT_EQ(tt.t().script.queue[255], 'b');
  EXPECT_EQ(PushScriptKey(tt.t(), 1), 3);
  EXPECT_EQ(K("@rd5;"), Status('3'));
}

TEST_F(KeyScript, EmptyScriptEmptiesTheQueue) {
  EXPECT_EQ(K("abc"), Status('0'));
  EXPECT_EQ(K(""), Status('0'));
  EXPECT_EQ(tt.t().script.length, 0);
}

TEST_F(KeyScript, TakingKeys) {
  EXPECT_EQ(NextScriptKey(tt.t()), 0);
  EXPECT_EQ(K("a@r@@b"), Status('0'));
  EXPECT_EQ(Drain(), (Keys{'a', 'b'}));
  EXPECT_EQ(tt.t().script.length, 0);
  EXPECT_EQ(tt.t().script.read_position, 0);
  // A new script appends to what is still queued.
  EXPECT_EQ(K("ab"), Status('0'));
  EXPECT_EQ(NextScriptKey(tt.t()), 'a');
  EXPECT_EQ(K("c"), Status('0'));
  EXPECT_EQ(Drain(), (Keys{'b', 'c'}));
}

TEST_F(KeyScript, ErrorBeepSkipsToTheStopMarkWhileRunning) {
  EXPECT_EQ(K("ab@r@@cd"), Status('0'));
  ErrorBeep(tt.t());  // not running: nothing skipped
  EXPECT_EQ(NextScriptKey(tt.t()), 'a');
  SetScriptRunning(tt.t(), 1);
  ErrorBeep(tt.t());
  EXPECT_EQ(Drain(), (Keys{'c', 'd'}));
  EXPECT_EQ(IsScriptRunning(tt.t()), 1);
  // Without a stop mark the rest of the script goes.
  EXPECT_EQ(K("xy"), Status('0'));
  ErrorBeep(tt.t());
  EXPECT_EQ(NextScriptKey(tt.t()), 0);
}

TEST_F(KeyScript, ResetEmptiesTheQueue) {
  EXPECT_EQ(K("abc"), Status('0'));
  tt.Host("\xFF\n");
  EXPECT_EQ(tt.t().script.length, 0);
}

}  // namespace
}  // namespace marl::testing
