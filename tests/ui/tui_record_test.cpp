// A person's session in the text terminal (tmux) recorded with --record
// against the demo host: the script and the goldens beside it as a person
// would find them, and the script replayed against the same host and
// against one whose sign-in screen changed.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"
#include "temp_dir.h"
#include "tmux.h"
#include "ui/testkit/golden_file.h"

namespace marl::testing {
namespace {

// marlsim in the pane, in `dir`, then how it ended.
std::string RecordCommand(const std::string& dir) {
  return "cd '" + dir + "' && env TERM=tmux-256color LANG=C.UTF-8 " + MARLSIM_PATH +
         " --ui=tui --mute --demo --size 20x16 --record session.txt; echo \"EXIT=$?\"; sleep 60";
}

// The script's lines after its four lines of head.
std::string Body(const std::string& script) {
  size_t at = 0;
  for (int n = 0; n < 4 && at != std::string::npos; ++n) {
    at = script.find('\n', at);
    if (at != std::string::npos) ++at;
  }
  return at == std::string::npos ? "" : script.substr(at);
}

TEST(TuiRecord, ASessionAtTheKeyboardBecomesAScriptWithItsGoldens) {
  TempDir dir;
  {
    Tmux tmux(60, 24, RecordCommand(dir.path()));
    ASSERT_TRUE(tmux.WaitForText("Password: demo", 15000)) << tmux.Text();
    tmux.Keys({"-l", "ann"});
    tmux.Keys({"Tab"});
    tmux.Keys({"-l", "demo"});
    tmux.Keys({"Enter"});
    ASSERT_TRUE(tmux.WaitForText("Receive goods")) << tmux.Text();
    tmux.Keys({"Enter"});
    ASSERT_TRUE(tmux.WaitForText("RECEIVE GOODS")) << tmux.Text();
    tmux.Keys({"C-x"});
    ASSERT_TRUE(tmux.WaitForText("EXIT=0")) << tmux.Text();
  }
  EXPECT_EQ(Body(dir.Read("session.txt")),
            "wait ready\n"
            "expect screen session-001.golden\n"
            "type \"ann\"\n"
            "key Tab\n"
            "type \"demo\"\n"
            "key Enter\n"
            "wait ready\n"
            "expect screen session-002.golden\n"
            "key Enter\n"
            "wait ready\n"
            "expect screen session-003.golden\n"
            "# the person ended the program here (key Ctrl+X)\n");
  const struct {
    const char* file;
    const char* row0;
    const char* row4;
  } goldens[] = {
      {"session-001.golden", " MARL WAREHOUSE     ", "User:               "},
      {"session-002.golden", "1 Receive goods     ", "                    "},
      {"session-003.golden", " RECEIVE GOODS      ", "Item:               "},
  };
  for (const auto& g : goldens) {
    GoldenScreen golden;
    std::string error;
    ASSERT_EQ(LoadGolden(dir.File(g.file), &golden, &error), GoldenLoad::kLoaded) << error;
    EXPECT_EQ(golden.rows, 16) << g.file;
    EXPECT_EQ(golden.columns, 20) << g.file;
    EXPECT_EQ(golden.text.substr(0, 20), g.row0) << g.file;
    EXPECT_EQ(golden.text.substr(4 * 20, 20), g.row4) << g.file;
  }

  // Replayed by the runner against the same host it passes; against one
  // whose sign-in title changed it fails on that screen, showing both side
  // by side.
  const auto replay = [&dir](const std::string& title, const std::string& output) {
    return Shell("cd '" + dir.path() + "' && env " + title + " " + MARLSIM_PATH +
                 " --test session.txt --demo --size 20x16 >" + output + " 2>&1; echo $?");
  };
  EXPECT_EQ(replay("-u MARLSIM_DEMO_TITLE", "passed.txt"), "0\n") << dir.Read("passed.txt");
  EXPECT_NE(dir.Read("passed.txt").find("1 passed, 0 failed\n"), std::string::npos)
      << dir.Read("passed.txt");
  EXPECT_EQ(replay("MARLSIM_DEMO_TITLE=' MARL STORES '", "failed.txt"), "2\n");
  const std::string failed = dir.Read("failed.txt");
  EXPECT_NE(failed.find("0 passed, 1 failed\n"), std::string::npos) << failed;
  EXPECT_NE(failed.find(" 0 | MARL WAREHOUSE     |   | MARL STORES        |\n"), std::string::npos)
      << failed;
  EXPECT_NE(failed.find("error: session.txt:6: expect screen \"session-001.golden\": the window "
                        "differs from the golden screen"),
            std::string::npos)
      << failed;
}

}  // namespace
}  // namespace marl::testing
