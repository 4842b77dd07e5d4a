// The assertions of the automation language on a terminal with a form:
// what each one accepts and refuses, and what a failure answers.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>

#include "answers.h"
#include "host_records.h"
#include "temp_dir.h"
#include "terminal_fixture.h"
#include "ui/core/core_platform.h"
#include "ui/core/interpreter.h"

namespace marl {
namespace {

using Clock = Interpreter::Clock;

class ExpectTest : public ::testing::Test {
 protected:
  ExpectTest() {
    in_.set_script(dir_.File("login.txt"));
    in_.set_line(7);
    const std::string form = testing::Command("\\1S\\Lot:\\A12345\\") + testing::Command("\\1");
    tt_.platform().HandOverHostData(form.data(), int32_t(form.size()));
  }
  // Runs a command that must not wait; its error ("" for ok).
  std::string Run(const std::string& line) {
    EXPECT_EQ(in_.Start(line, Clock::now()), Interpreter::Step::kAnswered) << line;
    return in_.error();
  }

  testing::TempDir dir_;
  testing::TestTerminal tt_{16, 20, testing::InlinePlatform()};
  testing::Answers answers_;
  Interpreter in_{tt_.t(), tt_.platform(), &answers_};
};

TEST_F(ExpectTest, RowsCursorAndFieldsAreJudgedNow) {
  const struct {
    const char* line;
    const char* error;  // "" for ok
  } cases[] = {
      {"expect row 0 \"Lot:12345\"", ""},
      {"expect row 0 \"Lot:12345     \"", ""},
      {"expect row 0 \"Lot:1234\"", "expect row 0: it is \"Lot:12345\", not \"Lot:1234\""},
      {"expect row 1 \"\"", ""},
      {"expect row 16 \"\"", "row 16 is outside the window (16 rows)"},
      {"expect cursor 0 4", ""},
      {"expect cursor 0 5", "expect cursor: it is at 0 4, not 0 5"},
      {"expect field 0 \"12345\"", ""},
      {"expect field \"Lot:\" \"12345   \"", ""},
      {"expect field \"Lot:\" \"7\"", "expect field \"Lot:\": it holds \"12345\", not \"7\""},
      {"expect field \"Lot:\" \"\"", "expect field \"Lot:\": it holds \"12345\", not \"\""},
      {"expect field 1 \"\"", "expect field \"1\": no field 1 (the form has 1 field)"},
      {"expect field \"Qty:\" \"7\"",
       "expect field \"Qty:\": no field labelled \"Qty:\" (labels: \"Lot:\")"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Run(c.line), c.error) << c.line;
    const std::string said = answers_.Take();
    if (*c.error == 0) {
      EXPECT_EQ(said, "ok\n") << c.line;
    } else if (std::string(c.error).rfind("expect", 0) == 0) {
      // The report: the screen with the cursor marked, the field, the file
      // and line.
      EXPECT_NE(said.find("  0 |Lot:"), std::string::npos) << said;
      EXPECT_NE(said.find("field 0 \"Lot:\" at 0 4"), std::string::npos) << said;
      EXPECT_NE(said.find("error: " + dir_.File("login.txt") + ":7: " + c.error + "\n"),
                std::string::npos)
          << said;
    }
  }
  EXPECT_TRUE(in_.any_error());
}

TEST_F(ExpectTest, GoldenScreensAreMadeUpdatedAndCompared) {
  const std::string golden = dir_.File("lot.golden");
  const struct {
    const char* what;
    bool update;
    const char* error_start;  // "" for ok
  } steps[] = {
      {"missing", false, "no golden screen"},
      {"written", true, ""},
      {"matches", false, ""},
      {"changed by hand", false, "expect screen \"lot.golden\": the window differs"},
      {"written again, the mask kept", true, ""},
      {"matches again", false, ""},
      {"malformed", false, ""},
  };
  for (const auto& s : steps) {
    const std::string what = s.what;
    if (what == "changed by hand" || what == "malformed") {
      std::string text = testing::ReadFile(golden);
      if (what == "malformed") {
        std::ofstream(golden) << "screen 20x16 cursor 0 4\n| short |\n";
        EXPECT_NE(Run("expect screen lot.golden").find("line 2"), std::string::npos);
        continue;
      }
      text.replace(text.find("|Lot:"), 5, "|Lit:");
      text += "masks\n15 |*                   |\n";
      std::ofstream(golden) << text;
    }
    in_.set_update_goldens(s.update);
    const Interpreter::Step step = in_.Start("expect screen lot.golden 50ms", Clock::now());
    if (step == Interpreter::Step::kWaiting) {
      in_.Check(Clock::now() + std::chrono::milliseconds(50));
    }
    EXPECT_EQ(in_.error().substr(0, std::string(s.error_start).size()), s.error_start) << what;
    if (what == "written again, the mask kept") {
      EXPECT_NE(testing::ReadFile(golden).find("masks\n15 |*"), std::string::npos);
    }
    const std::string said = answers_.Take();
    if (what == "changed by hand") {
      // Expected and actual side by side, the cell marked.
      EXPECT_NE(said.find("Lit:"), std::string::npos) << said;
      EXPECT_NE(said.find("^"), std::string::npos) << said;
      // A load run counts it as a wait that timed out.
      EXPECT_TRUE(in_.last_timed_out());
    }
  }
}

}  // namespace
}  // namespace marl
