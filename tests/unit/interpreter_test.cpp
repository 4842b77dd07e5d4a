// The automation interpreter on its own: its waits are states that the
// caller's clock moves on, never blocking calls, so that one event loop (or
// a load worker with a thousand terminals) runs every wait beside
// everything else. The test holds the clock.
#include "ui/core/interpreter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "answers.h"
#include "host_records.h"
#include "platform/messages.h"
#include "terminal_fixture.h"
#include "ui/core/core_platform.h"

namespace marl {
namespace {

using Clock = Interpreter::Clock;

// A moment of a wait's life: at `at_ms` from its start the host does `host`
// (see HostDoes), then the interpreter looks; `answer` is what it has said
// by then ("" while it still waits).
struct Moment {
  int at_ms;
  const char* host;  // nullptr, "form", "chunk" or "close"
  const char* answer;
};

struct WaitCase {
  const char* name;
  const char* command;
  const char* at_once;  // the answer at the start; "" when it waits
  std::vector<Moment> moments;
};

// What the host does: a form that shows "Lot:", a chunk that shows
// nothing, or the end of the connection.
void HostDoes(CorePlatform& core, const std::string& what) {
  if (what == "close") {
    core.HostClosed();
    return;
  }
  const std::string bytes = what == "form"
                                ? testing::Command("\\1S\\Lot:\\A12345\\") + testing::Command("\\1")
                                : testing::Command("\\3");
  core.HandOverHostData(bytes.data(), int32_t(bytes.size()));
}

class InterpreterTest : public ::testing::Test {
 protected:
  Clock::time_point At(int ms) const { return t0_ + std::chrono::milliseconds(ms); }

  // Host data is handled as it comes, on this thread.
  testing::TestTerminal tt_{16, 20, testing::InlinePlatform()};
  testing::Answers answers_;
  Interpreter in_{tt_.t(), tt_.platform(), &answers_};
  // After the interpreter's own start: its quiet is counted from then.
  const Clock::time_point t0_ = Clock::now();
};

TEST_F(InterpreterTest, WaitsAreStatesThatTheCallersClockMovesOn) {
  const WaitCase cases[] = {
      {"text that comes", "wait text \"Lot:\" 100", "", {{50, nullptr, ""}, {60, "form", "ok\n"}}},
      {"text that never comes",
       "WAIT TEXT \"nowhere\" 100",
       "",
       {{99, "chunk", ""}, {100, nullptr, "error: timeout\n"}}},
      {"the empty text is always there", "wait text \"\" 0", "ok\n", {}},
      {"ready at once", "wait ready", "ok\n", {}},
      {"output once a chunk came", "wait output 100", "", {{10, "chunk", "ok\n"}}},
      {"the host closes", "wait closed 200", "", {{20, "close", "ok\n"}}},
      {"host closed ends any other wait",
       "wait text \"x\" 500",
       "",
       {{5, "close", "error: host closed\n"}}},
      {"a sleep lets its time pass whatever comes",
       "sleep 100",
       "",
       {{50, "chunk", ""}, {99, "close", ""}, {100, nullptr, "ok\n"}}},
      {"quiet since the start", "wait quiet 50", "", {{49, nullptr, ""}, {50, nullptr, "ok\n"}}},
      {"quiet of nothing", "wait quiet 0", "ok\n", {}},
      {"expected text that comes", "Expect TEXT \"Lot:\" 100", "", {{99, "form", "ok\n"}}},
      {"expected text that never comes",
       "expect text \"nowhere\"",
       "",
       {{4999, "chunk", ""},
        {5000, nullptr, "error: expect text \"nowhere\": not shown within 5s\n"}}},
      {"expected text, the host gone",
       "expect text \"x\" 9",
       "",
       {{1, "close", "error: expect text \"x\": host closed\n"}}},
      {"a limit in seconds",
       "wait text \"nowhere\" 1.5s",
       "",
       {{1499, nullptr, ""}, {1500, nullptr, "error: timeout\n"}}},
  };
  for (const WaitCase& c : cases) {
    testing::TestTerminal tt(16, 20, testing::InlinePlatform());
    testing::Answers answers;
    Interpreter in(tt.t(), tt.platform(), &answers);
    const Clock::time_point t0 = Clock::now();
    const bool waits = *c.at_once == 0;
    EXPECT_EQ(in.Start(c.command, t0),
              waits ? Interpreter::Step::kWaiting : Interpreter::Step::kAnswered)
        << c.name;
    EXPECT_EQ(answers.Take(), c.at_once) << c.name;
    for (const Moment& m : c.moments) {
      if (m.host != nullptr) HostDoes(tt.platform(), m.host);
      // Nothing is answered while host data is handled: only when it looks.
      EXPECT_EQ(answers.Take(), "") << c.name << " at " << m.at_ms;
      const Interpreter::Step step = in.Check(t0 + std::chrono::milliseconds(m.at_ms));
      EXPECT_EQ(step, *m.answer == 0 ? Interpreter::Step::kWaiting : Interpreter::Step::kAnswered)
          << c.name << " at " << m.at_ms;
      // A failed expect reports the screen before its error line.
      std::string said = answers.Take();
      if (std::string(m.answer).rfind("error: expect", 0) == 0) {
        EXPECT_NE(said.find("no current field\n"), std::string::npos) << said;
        said = said.substr(said.rfind("error: "));
      }
      EXPECT_EQ(said, m.answer) << c.name << " at " << m.at_ms;
    }
    EXPECT_FALSE(in.waiting()) << c.name;
  }
}

// What the language refuses, it refuses with the reason it always gave; a
// command that is another's form refuses with its own usage.
TEST_F(InterpreterTest, MalformedLinesAreRefusedWithTheirUsage) {
  const std::string expect =
      "usage: expect text \"TEXT\" [DURATION] | expect row R \"TEXT\" | expect cursor ROW COL | "
      "expect field F \"VALUE\" | expect screen FILE [DURATION]";
  const std::string wait =
      "usage: wait ready [MS] | wait output [MS] | wait text \"TEXT\" [MS] | wait quiet MS | "
      "wait closed [MS]";
  const struct {
    const char* line;
    std::string error;
  } cases[] = {
      {"expect", expect},
      {"expect ready", expect},
      {"expect text", expect},
      {"expect text \"a\" soon", expect},
      {"expect text \"a\" 1 2", expect},
      {"expect text \"a\" 5x", expect},
      {"expect row 1", expect},
      {"expect cursor 1 x", expect},
      {"expect screen", expect},
      {"wait ready 1.5", wait},
      {"set timeout", "usage: set timeout DURATION"},
      {"set timeout 5x", "bad duration \"5x\" (write 500, 500ms, 5s or 1.5s)"},
      {"set limit 5s", "usage: set timeout DURATION"},
      {"wait text", wait},
      {"click 1", "usage: click X Y (pixels, 0 to 65535)"},
      {"hotkey", "usage: hotkey N"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(in_.Start(c.line, At(0)), Interpreter::Step::kAnswered) << c.line;
    EXPECT_EQ(in_.error(), c.error) << c.line;
    EXPECT_EQ(answers_.Take(), "error: " + c.error + "\n") << c.line;
  }
  in_.Start("help", At(0));
  EXPECT_NE(answers_.Take().find("expect screen FILE [DURATION]\nset timeout DURATION\nsleep MS\n"),
            std::string::npos);
}

// A window that notes where each click landed.
class ClickedWindow : public CorePlatform {
 public:
  ClickedWindow() : CorePlatform(HostData::kInline) {}
  intptr_t SendMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) override {
    if (message == kWmLButtonDown) clicks.push_back(lparam);
    return CorePlatform::SendMessage(message, wparam, lparam);
  }
  std::vector<intptr_t> clicks;
};

// A click on a cell is the click a person makes at its centre pixel, and
// only cells of the window can be clicked.
TEST(InterpreterClicks, ACellIsClickedAtItsCentreAndOnlyInsideTheWindow) {
  auto window = std::make_unique<ClickedWindow>();
  ClickedWindow& clicked = *window;
  testing::TestTerminal tt(16, 20, std::move(window));
  testing::Answers answers;
  Interpreter in(tt.t(), tt.platform(), &answers);
  const auto at = [](int64_t x, int64_t y) { return intptr_t((y << 16) | x); };
  const struct {
    const char* line;
    std::string error;
    intptr_t click;  // where it landed; -1 for nowhere
  } cases[] = {
      {"click cell 0 0", "", at(5, 6)},
      {"click 5 6", "", at(5, 6)},
      {"CLICK Cell 15 19", "", at(19 * 11 + 5, 15 * 13 + 6)},
      {"click cell 16 0", "cell 16 0 is outside the window (16 rows of 20 columns)", -1},
      {"click cell 0 20", "cell 0 20 is outside the window (16 rows of 20 columns)", -1},
      {"click cell 4000000 0", "cell 4000000 0 is outside the window (16 rows of 20 columns)", -1},
      {"click cell -1 0", "usage: click cell ROW COL", -1},
      {"click cell 1", "usage: click cell ROW COL", -1},
      {"click cell 1 2 3", "usage: click cell ROW COL", -1},
      {"click cell one 2", "usage: click cell ROW COL", -1},
  };
  for (const auto& c : cases) {
    clicked.clicks.clear();
    in.Start(c.line, Clock::now());
    EXPECT_EQ(in.error(), c.error) << c.line;
    EXPECT_EQ(clicked.clicks,
              c.click < 0 ? std::vector<intptr_t>{} : std::vector<intptr_t>{c.click})
        << c.line;
  }
}

// When a waiting command wants to be looked at even if nothing happens.
TEST_F(InterpreterTest, AWaitIsDueAtItsLimitAndAQuietOneWhenItsQuietIsOver) {
  ASSERT_EQ(in_.Start("wait text \"nowhere\" 250", At(0)), Interpreter::Step::kWaiting);
  EXPECT_EQ(in_.due(), At(250));
  ASSERT_EQ(in_.Check(At(250)), Interpreter::Step::kAnswered);
  EXPECT_EQ(in_.due(), Clock::time_point::max());
  // Quiet: counted from the last chunk, so each chunk moves it on.
  using std::chrono::milliseconds;
  ASSERT_EQ(in_.Start("wait quiet 300", Clock::now()), Interpreter::Step::kWaiting);
  HostDoes(tt_.platform(), "chunk");
  const Clock::time_point chunk = tt_.platform().last_chunk_at();
  EXPECT_EQ(in_.due(), chunk + milliseconds(300));
  EXPECT_EQ(in_.Check(chunk + milliseconds(299)), Interpreter::Step::kWaiting);
  EXPECT_EQ(in_.Check(chunk + milliseconds(300)), Interpreter::Step::kAnswered);
  EXPECT_EQ(answers_.Take(), "error: timeout\nok\n");
  // A host that never stops sending: the quiet asked for and 5 s more.
  const Clock::time_point start = Clock::now() - milliseconds(5300);
  ASSERT_EQ(in_.Start("wait quiet 300", start), Interpreter::Step::kWaiting);
  HostDoes(tt_.platform(), "chunk");
  EXPECT_EQ(in_.due(), start + milliseconds(5300));
  EXPECT_EQ(in_.Check(start + milliseconds(5299)), Interpreter::Step::kWaiting);
  EXPECT_EQ(in_.Check(start + milliseconds(5300)), Interpreter::Step::kAnswered);
  EXPECT_EQ(answers_.Take(), "error: timeout\n");
  EXPECT_TRUE(in_.last_was_wait());
  // `set timeout` is the limit of every wait that names none, and of the
  // grace a quiet wait gets.
  in_.Start("set timeout 2s", At(0));
  ASSERT_EQ(in_.Start("wait closed", At(0)), Interpreter::Step::kWaiting);
  EXPECT_EQ(in_.due(), At(2000));
  ASSERT_EQ(in_.Start("expect text \"nowhere\"", At(0)), Interpreter::Step::kWaiting);
  EXPECT_EQ(in_.due(), At(2000));
  ASSERT_EQ(in_.Start("wait quiet 1s", At(0)), Interpreter::Step::kWaiting);
  HostDoes(tt_.platform(), "chunk");
  EXPECT_EQ(in_.due(), std::min(At(3000), tt_.platform().last_chunk_at() + milliseconds(1000)));
}

// Trying a script out: every command's words are checked, a wait, a sleep
// or quit is answered at once and changes nothing.
TEST_F(InterpreterTest, ATrialChecksWaitsWithoutWaitingAndDoesNotQuit) {
  in_.set_trial(true);
  for (const char* line : {"wait text \"nowhere\" 86400000", "sleep 86400000", "quit"}) {
    EXPECT_EQ(in_.Start(line, At(0)), Interpreter::Step::kAnswered) << line;
    EXPECT_EQ(in_.error(), "") << line;
  }
  EXPECT_FALSE(tt_.platform().Ending());
  EXPECT_EQ(answers_.Take(), "ok\nok\nok\n");
  in_.Start("sleep 86400001", At(0));
  EXPECT_EQ(in_.error(), "usage: sleep MS");
  EXPECT_TRUE(in_.any_error());
}

}  // namespace
}  // namespace marl
