#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/app_state.h"
#include "app/screen_setup.h"
#include "host_records.h"
#include "scenario.h"
#include "screen/display.h"
#include "terminal_fixture.h"
#include "ui/core/command_words.h"
#include "ui/core/event_log.h"
#include "ui/core/event_loop.h"
#include "ui/core/script_reader.h"

namespace marl::testing {
namespace {

TEST(AutomationWords, BlanksQuotesAndEscapes) {
  std::vector<std::string> w;
  ASSERT_EQ(SplitCommandWords("  wait\ttext  \"a b\\\"c\\\\\" 10 ", &w), "");
  EXPECT_EQ(w, (std::vector<std::string>{"wait", "text", "a b\"c\\", "10"}));
  ASSERT_EQ(SplitCommandWords(R"(type "\n\r\t\x41\x0a" "" x\y)", &w), "");
  EXPECT_EQ(w, (std::vector<std::string>{"type", "\n\r\tA\n", "", "x\\y"}));
  ASSERT_EQ(SplitCommandWords(R"(type "\x00")", &w), "");
  EXPECT_EQ(w[1], std::string(1, '\0'));
  for (const char* bad : {R"(type "abc)", R"(type "a\q")", R"(type "\x4")", R"(type "\xZZ")",
                          R"(type "ab"cd)", R"(type "ab\)"}) {
    EXPECT_NE(SplitCommandWords(bad, &w), "") << bad;
  }
}

TEST(AutomationWords, NumbersAreDigitsOnlyAndInRange) {
  int64_t v = 0;
  EXPECT_TRUE(ParseNumber("5000", 0, 10000, &v) && v == 5000);
  EXPECT_TRUE(ParseNumber("-7", -10, 10, &v) && v == -7);
  for (const char* bad : {"", "-", "+5", "5ms", " 5", "-1", "10001", "99999999999999999999"}) {
    EXPECT_FALSE(ParseNumber(bad, 0, 10000, &v)) << bad;
  }
}

// A terminal with an automation reader that takes its commands one by one.
class AutomationTest : public ::testing::Test {
 protected:
  ~AutomationTest() override {
    std::fclose(out_);
    std::free(buffer_);
  }
  // Runs the lines; returns everything they wrote.
  std::string Run(const std::string& lines) {
    std::istringstream in(lines);
    for (std::string line; std::getline(in, line);) automation_.Execute(line);
    std::fflush(out_);
    std::string fresh(buffer_ + read_, size_ - read_);
    read_ = size_;
    return fresh;
  }
  // As if the receive thread handed `bytes` over after `delay_ms`.
  std::thread HostSendsLater(std::string bytes, int delay_ms) {
    ++offered_;
    return std::thread([this, bytes, delay_ms] {
      std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
      tt_.platform().HandOverHostData(bytes.data(), int32_t(bytes.size()));
      ++handled_;
    });
  }
  // Joins the sender once its chunk has been handled: the hand-over waits
  // for the main thread, which pumps here however late the sender came.
  void JoinHost(std::thread& host) {
    while (handled_.load() < offered_) Run("sleep 10");
    host.join();
  }

  int offered_ = 0;
  std::atomic<int> handled_{0};
  TestTerminal tt_;
  char* buffer_ = nullptr;
  size_t size_ = 0;
  size_t read_ = 0;
  std::FILE* out_ = open_memstream(&buffer_, &size_);
  ScriptReader automation_{tt_.t(), tt_.platform(), nullptr, -1, out_};
};

TEST_F(AutomationTest, EveryCommandEndsWithOkOrAnError) {
  EXPECT_EQ(Run("events\n\n   \n# a comment\n  # another\nanswer ok"), "ok\nok\n");
  EXPECT_FALSE(automation_.any_error());
  EXPECT_EQ(Run("bogus 1"), "error: unknown command \"bogus\" (help lists the commands)\n");
  EXPECT_TRUE(automation_.any_error());
  // A long word is quoted up to 80 bytes.
  EXPECT_EQ(Run(std::string(5000, 'x')), "error: unknown command \"" + std::string(80, 'x') +
                                             "\"... (help lists the commands)\n");
  const std::string help = Run("help");
  EXPECT_NE(help.find("\nwait ready|output|text \"TEXT\"|quiet|closed [MS]\n"), std::string::npos);
  EXPECT_EQ(help.substr(help.size() - 9), "\nquit\nok\n");
  // Malformed commands change nothing.
  ASSERT_TRUE(OpenScreenSetup(tt_.t(), 0));
  const std::string out =
      Run("type \"12\"\ntype \"3\ntype\nkey F25\nkey F0\nkey ctrl+1\nkey\nhotkey x\nhotkey -1\n"
          "click 1\nclick -1 5\nclick 70000 1\nkeycode 1.5\nanswer maybe\nwait\nwait ready 5x\n"
          "wait text\nwait quiet\nwait later\nsleep -1\nquit now\nSCREEN extra\ntype \"open");
  EXPECT_EQ(out.substr(0, 3), "ok\n");
  EXPECT_EQ(out.find("ok\n", 3), std::string::npos) << out;
  EXPECT_EQ(tt_.platform().EditFieldText(App(tt_.t()).setup.fields[0]), "12");
  EXPECT_EQ(tt_.platform().MessageBox(nullptr, "?", MessageBoxButtons::kOkCancel),
            MessageBoxAnswer::kOk);
  EXPECT_FALSE(tt_.platform().quit_posted());
  CloseScreenSetup(tt_.t());
}

// Every answer quotes the bytes it repeats, a file name's too.
TEST_F(AutomationTest, ASnapshotNamesItsFileQuoted) {
  const std::string zero = Run(R"(snapshot "nowhere/a\x00b.png")");
  EXPECT_EQ(zero.find('\0'), std::string::npos);
  EXPECT_EQ(zero, "error: cannot write \"nowhere/a\\u0000b.png\"\n");
  const std::string control = Run(R"(snapshot "nowhere/a\x01b.png")");
  EXPECT_EQ(control.find('\x01'), std::string::npos) << control;
  EXPECT_EQ(control.rfind("error: ", 0), 0u) << control;
}

TEST_F(AutomationTest, ArgumentsTakeTheirUpperBounds) {
  EXPECT_EQ(Run("key F24\nclick 65535 65535"), "ok\nok\n");
  EXPECT_EQ(Run("click 65536 0").rfind("error: ", 0), 0u);
}

TEST_F(AutomationTest, WindowViewsHaveOneShape) {
  DrawAt(tt_.t(), 2, 3, 7, "ab\001cd~\x7f", kAttrBold | kAttrReverse);
  UpdateRow(tt_.t(), 5, 0, 4, "grid", 0);
  const std::string screen = Run("screen");
  EXPECT_EQ(screen.substr(0, 17), "screen 16 20 6 0\n");
  EXPECT_NE(screen.find("\n   ab.cd~.          \n"), std::string::npos);
  EXPECT_EQ(screen.substr(screen.size() - 3), "ok\n");
  EXPECT_EQ(std::count(screen.begin(), screen.end(), '\n'), 1 + 16 + 1);
  const std::string attrs = Run("attrs");
  EXPECT_EQ(attrs.substr(0, 16), "attrs 16 20 6 0\n");
  EXPECT_NE(attrs.find("\n00099999990000000000\n"), std::string::npos);
  const std::string grid = Run("grid");
  EXPECT_EQ(grid.substr(0, 15), "grid 16 20 6 0\n");
  EXPECT_NE(grid.find("\ngrid                \n"), std::string::npos);
  // The grid's last cell holds its zero byte; what was only drawn is not in it.
  EXPECT_NE(grid.find("                   .\nok\n"), std::string::npos);
  EXPECT_EQ(grid.find("ab"), std::string::npos);
}

TEST_F(AutomationTest, StateIsOneLineOfJson) {
  EXPECT_EQ(Run("state"),
            "{\"rows\":16,\"cols\":20,\"waiting\":false,\"text_dialect\":1,\"insert\":false,"
            "\"ping\":false,\"auto\":false,\"connected\":false,\"form\":null}\nok\n");
  // Form 7, its first field typed into, its second current.
  RunScenario(tt_, R"(binary ; host \7T\a:\@    \b:\@  \ ; type A"1 ; key Down)");
  const std::string state = Run("state");
  EXPECT_NE(state.find("\"form\":{\"form_id\":7,\"is_table\":false,\"current_field\":1,"),
            std::string::npos);
  EXPECT_NE(state.find("\"modified\":true,\"reply_kind\":\"K\",\"value\":\"A\\\"1 \"},{"),
            std::string::npos)
      << state;
  EXPECT_NE(state.find("\"value\":\"  \"}]}}\nok\n"), std::string::npos) << state;
}

TEST_F(AutomationTest, EventsAreTakenOnce) {
  tt_.platform().Beep(440, 120);
  tt_.platform().WriteStdout("bad\trecord\n");
  EXPECT_EQ(Run("events"), "beep 440 120\nprint \"bad\\trecord\\n\"\nok\n");
  EXPECT_EQ(Run("events"), "ok\n");
  Run("answer cancel");
  tt_.platform().MessageBox("Memory Error!", "x", MessageBoxButtons::kOkCancel);
  EXPECT_EQ(Run("events"), "msgbox \"Memory Error!\" \"x\" okcancel cancel\nok\n");
}

// A session that never reads its events, as a person at the window all
// day: the log stays bounded, and the next `events` says what went.
TEST_F(AutomationTest, ALongSessionThatNeverReadsItsEvents) {
  for (size_t i = 0; i < EventLog::kMaxEvents + 123; ++i) tt_.platform().Beep(440, 1);
  const std::string answer = Run("events");
  EXPECT_EQ(answer.substr(0, answer.find('\n')), "dropped 123");
  EXPECT_EQ(std::count(answer.begin(), answer.end(), '\n'), long(EventLog::kMaxEvents) + 2);
  EXPECT_EQ(answer.substr(answer.size() - 14), "beep 440 1\nok\n");
}

TEST_F(AutomationTest, WaitsReturnAtOnceOrHandleHostDataAsItComes) {
  EXPECT_EQ(Run("wait ready 0\nwait text \"\" 0\nwait quiet 0"), "ok\nok\nok\n");
  // A form's reply makes the terminal wait; the host's next form ends it.
  RunScenario(tt_, R"(binary ; host \1T\a:\@ \ ; key Enter ; sent K\1 ; waiting 1)");
  EXPECT_EQ(Run("wait ready 30\nwait output 0\nwait text \"nowhere\" 20\nwait closed 10"),
            "error: timeout\nerror: timeout\nerror: timeout\nerror: timeout\n");
  RunScenario(tt_, R"(host \1T\a:\@ \ ; waiting 0)");
  const std::string bad = "\x90" + std::string("123\n");
  Run("state");  // the window read, so that the wait is for the sender's bytes
  std::thread host = HostSendsLater(bad, 50);
  EXPECT_EQ(Run("wait output 30000"), "ok\n");
  EXPECT_EQ(tt_.Sent(), Reply(kStatusFailure));  // handled before the wait returned
  JoinHost(host);
  // Until the window is read, the same chunk still counts.
  EXPECT_EQ(Run("wait output 0"), "ok\n");
  EXPECT_EQ(Run("grid").substr(0, 5), "grid ");
  EXPECT_EQ(Run("wait output 20"), "error: timeout\n");
  // A wait that returned before the host's next screen would leave the old one.
  host = HostSendsLater(bad.substr(0, 2) + "**MoRe**", 50);
  EXPECT_EQ(Run("wait output 30000"), "ok\n");
  EXPECT_EQ(tt_.Row(0).substr(0, 10), "More......");
  JoinHost(host);

  host = HostSendsLater(bad, 30);
  EXPECT_EQ(Run("sleep 200\nwait quiet 100"), "ok\nok\n");
  JoinHost(host);
  EXPECT_EQ(tt_.Sent(), Reply(kStatusFailure));
}

TEST_F(AutomationTest, KeyCodeReachesTheKeyProcessor) {
  UpdateRow(tt_.t(), 3, 0, 5, "hello", 0);
  tt_.platform().EraseClient();
  EXPECT_EQ(tt_.Row(3), "                    ");
  EXPECT_EQ(Run("keycode 23"), "ok\n");  // repaint
  EXPECT_EQ(tt_.Row(3), "hello               ");
}

// The main loop, fed as from a script file.
TEST_F(AutomationTest, RunStopsAtQuitAndTakesAnOverlongLineAsOneError) {
  const std::string script = "type \"" + std::string(3 << 20, 'a') + "\"\nanswer ok\nquit\nbogus\n";
  std::FILE* in = std::tmpfile();
  std::fwrite(script.data(), 1, script.size(), in);
  std::rewind(in);
  ScriptReader reader(tt_.t(), tt_.platform(), nullptr, fileno(in), out_);
  reader.Run();
  std::fclose(in);
  EXPECT_EQ(Run(""), "error: line too long\nok\nok\n");
  EXPECT_TRUE(reader.any_error());
  EXPECT_TRUE(tt_.platform().quit_posted());
  EXPECT_TRUE(App(tt_.t()).ending);
}

}  // namespace
}  // namespace marl::testing

namespace marl::testing {
namespace {

// The script as one source of a loop: a wait holds the lines behind it
// back while host data goes on being handled, and the end of the input
// does what the front end says (a window stays with the person).
TEST(ScriptSource, AWaitHoldsTheLinesBehindItAndTheEndOfInputIsTheFrontEnds) {
  TestTerminal tt;
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  char* buffer = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&buffer, &size);
  EventLoop loop;
  tt.platform().AttachTo(loop);
  int ended = 0;
  {
    ScriptReader reader(tt.t(), tt.platform(), &loop, fds[0], out);
    reader.set_at_end([&] { ++ended; });
    const std::string lines = "wait output 5000\ngrid\nevents\n";
    ASSERT_EQ(write(fds[1], lines.data(), lines.size()), ssize_t(lines.size()));
    close(fds[1]);
    // Until a chunk comes, nothing behind the wait runs, however often the
    // loop turns.
    for (int i = 0; i < 20; ++i) loop.ProcessEvents(0);
    std::fflush(out);
    EXPECT_EQ(std::string(buffer, size), "");
    const std::string bad = "\x90" + std::string("123\n");
    std::thread host([&] { tt.platform().HandOverHostData(bad.data(), int32_t(bad.size())); });
    // The answers come in order, each after the one before it.
    loop.RunUntil([&] { return ended > 0; });
    host.join();
    std::fflush(out);
    const std::string answers(buffer, size);
    ASSERT_EQ(answers.substr(0, 8), "ok\ngrid ") << answers;
    EXPECT_NE(answers.find("\nok\nmsgbox \"\" \"Bad Command:"), std::string::npos) << answers;
    EXPECT_EQ(answers.substr(answers.size() - 3), "ok\n");
    EXPECT_FALSE(tt.platform().Ending());
    EXPECT_EQ(ended, 1);
  }
  close(fds[0]);
  std::fclose(out);
  std::free(buffer);
}

}  // namespace
}  // namespace marl::testing
