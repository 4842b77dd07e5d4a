#include "ui/headless/automation.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/screen_setup.h"
#include "forms/form.h"
#include "interp/display.h"
#include "temp_dir.h"
#include "terminal_fixture.h"
#include "ui/headless/automation_words.h"

namespace marl::testing {
namespace {

TEST(AutomationWords, BlanksQuotesAndEscapes) {
  std::vector<std::string> w;
  std::string error;
  ASSERT_TRUE(SplitCommandWords("  wait\ttext  \"a b\\\"c\\\\\" 10 ", &w, &error));
  EXPECT_EQ(w, (std::vector<std::string>{"wait", "text", "a b\"c\\", "10"}));
  ASSERT_TRUE(SplitCommandWords(R"(type "\n\r\t\x41\x0a" "" x\y)", &w, &error));
  EXPECT_EQ(w, (std::vector<std::string>{"type", "\n\r\tA\n", "", "x\\y"}));
  ASSERT_TRUE(SplitCommandWords(R"(type "\x00")", &w, &error));
  EXPECT_EQ(w[1], std::string(1, '\0'));

  for (const char* bad : {R"(type "abc)", R"(type "a\q")", R"(type "\x4")", R"(type "\xZZ")",
                          R"(type "ab"cd)", R"(type "ab\)"}) {
    EXPECT_FALSE(SplitCommandWords(bad, &w, &error)) << bad;
    EXPECT_FALSE(error.empty());
  }
}

TEST(AutomationWords, NumbersAreDigitsOnlyAndInRange) {
  int64_t v = 0;
  EXPECT_TRUE(ParseNumber("5000", 0, 10000, &v));
  EXPECT_EQ(v, 5000);
  EXPECT_TRUE(ParseNumber("-7", -10, 10, &v));
  EXPECT_EQ(v, -7);
  for (const char* bad : {"", "-", "+5", "5ms", " 5", "-1", "10001", "99999999999999999999"}) {
    EXPECT_FALSE(ParseNumber(bad, 0, 10000, &v)) << bad;
  }
}

// A terminal with an automation reader; commands go in through a pipe as a
// script would send them.
class AutomationTest : public ::testing::Test {
 protected:
  AutomationTest() {
    out_ = open_memstream(&buffer_, &size_);
    automation_ = std::make_unique<Automation>(tt_.t(), tt_.platform(), -1, out_);
  }
  ~AutomationTest() override {
    automation_.reset();
    std::fclose(out_);
    std::free(buffer_);
  }
  // Runs the lines one by one; returns everything they wrote since the last
  // call.
  std::string Run(const std::string& lines) {
    size_t start = 0;
    while (start <= lines.size()) {
      size_t end = lines.find('\n', start);
      if (end == std::string::npos) end = lines.size();
      automation_->Execute(std::string_view(lines).substr(start, end - start));
      start = end + 1;
    }
    return Output();
  }
  std::string Output() {
    std::fflush(out_);
    std::string text(buffer_, size_);
    std::string fresh = text.substr(read_);
    read_ = text.size();
    return fresh;
  }
  // As if the receive thread handed over a chunk after `delay_ms`.
  void HostSendsLater(std::string bytes, int delay_ms) {
    sender_ = std::thread([this, bytes, delay_ms] {
      std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
      tt_.platform().HandOverHostData(bytes.data(), int32_t(bytes.size()));
    });
  }
  void JoinSender() {
    if (sender_.joinable()) sender_.join();
  }

  TestTerminal tt_;
  std::FILE* out_ = nullptr;
  char* buffer_ = nullptr;
  size_t size_ = 0;
  size_t read_ = 0;
  std::unique_ptr<Automation> automation_;
  std::thread sender_;
};

TEST_F(AutomationTest, EveryCommandEndsWithOkOrAnError) {
  EXPECT_EQ(Run("events\n\n   \n# a comment\n  # another\nanswer cancel"), "ok\nok\n");
  EXPECT_FALSE(automation_->any_error());
  EXPECT_EQ(Run("bogus 1"), "error: unknown command \"bogus\"\n");
  EXPECT_TRUE(automation_->any_error());
  EXPECT_EQ(Run("SCREEN extra"), "error: usage: screen\n");
  EXPECT_EQ(Run("type \"open"), "error: unterminated quote\n");
}

TEST_F(AutomationTest, MalformedCommandsChangeNothing) {
  ASSERT_TRUE(OpenScreenSetup(tt_.t(), 0));
  const std::string bad =
      "type \"12\"\ntype \"3\ntype\nkey F25\nkey F0\nkey ctrl+1\nkey\nhotkey x\nhotkey -1\n"
      "click 1\nclick -1 5\nclick 70000 1\nkeycode 1.5\nanswer maybe\nwait\nwait ready 5x\n"
      "wait text\nwait quiet\nwait later\nsleep -1\nquit now";
  const std::string out = Run(bad);
  EXPECT_EQ(out.substr(0, 3), "ok\n");
  EXPECT_EQ(out.find("ok\n", 3), std::string::npos) << out;
  EXPECT_EQ(tt_.platform().EditFieldText(tt_.t().app.setup.fields[0]), "12");
  EXPECT_EQ(tt_.platform().MessageBox(nullptr, "?", MessageBoxButtons::kOkCancel),
            MessageBoxAnswer::kOk);
  EXPECT_FALSE(tt_.platform().quit_posted());
  CloseScreenSetup(tt_.t());
}

TEST_F(AutomationTest, KeysGoToTheSetupWindowWhileItIsOpen) {
  ASSERT_TRUE(OpenScreenSetup(tt_.t(), 1));
  EXPECT_EQ(Run("key backspace\ntype \"4\"\nKEY TAB\ntype \"x7\"\nkey pageup\nkey Shift+Tab"),
            "ok\nok\nok\nok\nok\nok\n");
  const auto& fields = tt_.platform().edit_fields();
  EXPECT_EQ(fields.at(tt_.t().app.setup.fields[0]).spec.text, "24");
  EXPECT_EQ(fields.at(tt_.t().app.setup.fields[1]).spec.text, "167");
  EXPECT_TRUE(fields.at(tt_.t().app.setup.fields[0]).focused);
  const std::string screen = Run("screen");
  EXPECT_EQ(screen.substr(0, 18), "screen 21 27 1 10\n");
  EXPECT_NE(screen.find("\n COLS:  24                 \n"), std::string::npos) << screen;
  Run("key esc");
  EXPECT_TRUE(tt_.t().app.setup.done);
  CloseScreenSetup(tt_.t());
}

TEST_F(AutomationTest, WindowViewsHaveOneShape) {
  DrawAt(tt_.t(), 2, 3, 5,
         "ab\x01"
         "cd",
         kAttrBold | kAttrReverse);
  UpdateRow(tt_.t(), 5, 0, 4, "grid", 0);
  const std::string screen = Run("screen");
  EXPECT_EQ(screen.substr(0, 17), "screen 16 20 6 0\n");
  EXPECT_NE(screen.find("\n   ab.cd            \n"), std::string::npos);
  EXPECT_EQ(screen.substr(screen.size() - 3), "ok\n");
  EXPECT_EQ(std::count(screen.begin(), screen.end(), '\n'), 1 + 16 + 1);

  const std::string attrs = Run("attrs");
  EXPECT_EQ(attrs.substr(0, 16), "attrs 16 20 6 0\n");
  EXPECT_NE(attrs.find("\n00099999000000000000\n"), std::string::npos);

  const std::string grid = Run("grid");
  EXPECT_EQ(grid.substr(0, 15), "grid 16 20 6 0\n");
  EXPECT_NE(grid.find("\ngrid                \n"), std::string::npos);
  // The grid's last cell holds its zero byte.
  EXPECT_NE(grid.find("                   .\nok\n"), std::string::npos);
  EXPECT_EQ(grid.find("ab"), std::string::npos);
}

TEST_F(AutomationTest, StateIsOneLineOfJson) {
  EXPECT_EQ(Run("state"),
            "{\"rows\":16,\"cols\":20,\"waiting\":false,\"text_dialect\":1,\"insert\":false,"
            "\"ping\":false,\"auto\":false,\"connected\":false,\"form\":null}\nok\n");

  Form form;
  FormField fields[2];
  char value[] = "A\"1 ";
  fields[0].row = 2;
  fields[0].column = 5;
  fields[0].width = 4;
  fields[0].length = 4;
  fields[0].flags = 0x04;
  fields[0].modified = 1;
  fields[0].reply_kind = 'N';
  fields[0].buffer = value;
  form.form_id = 7;
  form.fields = fields;
  form.field_count = 2;
  form.current_field = 1;
  tt_.t().screen.current_form = &form;
  const std::string state = Run("state");
  tt_.t().screen.current_form = nullptr;
  EXPECT_NE(state.find("\"form\":{\"form_id\":7,\"is_table\":false,\"current_field\":1,"
                       "\"cursor\":0,\"top_row\":0,\"fields\":[{\"row\":2,\"column\":5,"
                       "\"width\":4,\"length\":4,\"flags\":4,\"modified\":true,"
                       "\"reply_kind\":\"N\",\"value\":\"A\\\"1 \"},{"),
            std::string::npos)
      << state;
  EXPECT_NE(state.find("\"value\":\"\"}]}}\nok\n"), std::string::npos) << state;
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

TEST_F(AutomationTest, ConditionsThatHoldReturnAtOnce) {
  EXPECT_EQ(Run("wait ready 0\nwait text \"\" 0\nwait quiet 0"), "ok\nok\nok\n");
  tt_.t().input.waiting = 1;
  EXPECT_EQ(Run("wait ready 30\nwait output 0\nwait text \"nowhere\" 20\nwait closed 10"),
            "error: timeout\nerror: timeout\nerror: timeout\nerror: timeout\n");
}

TEST_F(AutomationTest, WaitsHandleHostDataAsItComes) {
  const std::string bad(
      "\x90"
      "123\n",
      5);
  HostSendsLater(bad, 50);
  EXPECT_EQ(Run("wait output 5000"), "ok\n");
  JoinSender();
  EXPECT_EQ(tt_.Sent(), "K\\\\1");
  // Until the window is read, the same chunk still counts.
  EXPECT_EQ(Run("wait output 0"), "ok\n");
  EXPECT_EQ(Run("grid").substr(0, 5), "grid ");
  EXPECT_EQ(Run("wait output 20"), "error: timeout\n");

  HostSendsLater(bad, 30);
  EXPECT_EQ(Run("sleep 200\nwait quiet 100"), "ok\nok\n");
  JoinSender();
  EXPECT_EQ(tt_.Sent(), "K\\\\1");

  tt_.platform().HostClosed();
  tt_.t().input.waiting = 1;
  EXPECT_EQ(Run("wait closed\nwait ready\nwait quiet 100000\nwait text \"x\""),
            "ok\nerror: host closed\nerror: host closed\nerror: host closed\n");
}

TEST_F(AutomationTest, KeyCodeReachesTheKeyProcessor) {
  UpdateRow(tt_.t(), 3, 0, 5, "hello", 0);
  tt_.platform().EraseClient();
  EXPECT_EQ(tt_.Row(3), "                    ");
  EXPECT_EQ(Run("keycode 23"), "ok\n");  // repaint
  EXPECT_EQ(tt_.Row(3), "hello               ");
}

TEST_F(AutomationTest, QuitClosesTheWindowAndHotKeyOneEndsTheProgram) {
  EXPECT_EQ(Run("hotkey 5\nhotkey 1"), "ok\nok\n");
  EXPECT_TRUE(tt_.platform().quit_requested());
  EXPECT_EQ(tt_.Events(), std::vector<std::string>{"quit"});
}

TEST(AutomationRun, EndOfInputActsAsQuitAndQuitStopsReading) {
  for (const std::string script : {"state\nquit\nbogus\n", "state\nbogus"}) {
    TestTerminal tt;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], script.data(), script.size()), ssize_t(script.size()));
    close(fds[1]);
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    Automation automation(tt.t(), tt.platform(), fds[0], out);
    automation.Run();
    std::fclose(out);
    const std::string text(buffer, size);
    std::free(buffer);
    close(fds[0]);
    EXPECT_TRUE(tt.platform().quit_posted());
    EXPECT_TRUE(tt.t().app.ending);
    const bool quits = script.find("quit") != std::string::npos;
    EXPECT_EQ(automation.any_error(), !quits) << text;
    EXPECT_EQ(text.substr(text.size() - (quits ? 3 : 31)),
              quits ? "ok\n" : "error: unknown command \"bogus\"\n");
  }
}

TEST(AutomationRun, AnOverlongLineIsOneError) {
  TestTerminal tt;
  const std::string script = "type \"" + std::string(3 << 20, 'a') + "\"\nevents\n";
  TempDir dir;
  dir.Write("script", script);
  const int fd = open(dir.File("script").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  char* buffer = nullptr;
  size_t size = 0;
  std::FILE* out = open_memstream(&buffer, &size);
  Automation automation(tt.t(), tt.platform(), fd, out);
  automation.Run();
  std::fclose(out);
  EXPECT_EQ(std::string(buffer, size), "error: line too long\nok\n");
  std::free(buffer);
  close(fd);
}

}  // namespace
}  // namespace marl::testing
