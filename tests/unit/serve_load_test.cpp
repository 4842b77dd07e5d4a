// What a load script's mark keeps, and the serving mode's command lines and
// output fields: the bytes a parent process sends and reads are untrusted
// both ways.
#include "ui/load/serve_load.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "terminal_fixture.h"
#include "ui/core/core_platform.h"
#include "ui/core/interpreter.h"

namespace marl {
namespace {

TEST(Mark, KeepsOneShortPrintableNameUntilTheNext) {
  struct Case {
    const char* line;
    const char* error;  // "" for ok
    const char* mark;   // the mark after it
  };
  const std::string longest = "mark \"" + std::string(100, 'x') + "\"";
  const std::string too_long = "mark \"" + std::string(101, 'x') + "\"";
  const Case cases[] = {
      {"mark \"sign-in\"", "", "sign-in"},
      {"mark receive", "", "receive"},
      {"mark \"two words\"", "", "two words"},
      {longest.c_str(), "", nullptr},
      {too_long.c_str(), "a mark's name is at most 100 bytes", nullptr},
      {"mark", "usage: mark \"NAME\"", nullptr},
      {"mark \"\"", "usage: mark \"NAME\"", nullptr},
      {"mark a b", "usage: mark \"NAME\"", nullptr},
      {"mark \"tab\\there\"", "a mark's name holds no control characters", nullptr},
      {"mark \"new\\nline\"", "a mark's name holds no control characters", nullptr},
  };
  for (const Case& c : cases) {
    testing::TestTerminal tt{16, 20, testing::InlinePlatform()};
    Interpreter in{tt.t(), tt.platform(), nullptr};
    in.Start("mark \"before\"", Interpreter::Clock::now());
    in.Start(c.line, Interpreter::Clock::now());
    EXPECT_EQ(in.error(), c.error) << c.line;
    // A refused mark leaves the one before.
    const std::string expected =
        c.mark != nullptr ? c.mark : (*c.error != 0 ? "before" : std::string(100, 'x'));
    EXPECT_EQ(in.mark(), expected) << c.line;
  }
}

TEST(ServeLoad, CommandsAreStartOrStopOfATerminalNumber) {
  struct Case {
    const char* line;
    bool ok;
    bool start;
    int64_t terminal;
  };
  const Case cases[] = {
      {"start 1", true, true, 1},
      {"stop 65000", true, false, 65000},
      {"  start   7  ", true, true, 7},
      {"start 0", false, false, 0},
      {"start 65001", false, false, 0},
      {"start -1", false, false, 0},
      {"start 99999999999999999999999", false, false, 0},
      {"start", false, false, 0},
      {"start 1 2", false, false, 0},
      {"START 1", false, false, 0},
      {"restart 1", false, false, 0},
      {"start \"1", false, false, 0},
      {"start x", false, false, 0},
  };
  for (const Case& c : cases) {
    ServeCommand command;
    std::string error;
    EXPECT_EQ(ParseServeCommand(c.line, &command, &error), c.ok) << c.line;
    if (c.ok) {
      EXPECT_EQ(command.start, c.start) << c.line;
      EXPECT_EQ(command.terminal, c.terminal) << c.line;
    } else {
      EXPECT_FALSE(error.empty()) << c.line;
    }
  }
}

TEST(ServeLoad, FieldsHoldNoTabsOrLineEnds) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"sign-in", "sign-in"},
      {"a\tb", "a b"},
      {"host closed\nat line 2\r", "host closed at line 2 "},
      {std::string("nul\0here", 8), "nul here"},
      {"\x7f\x1b[2J", "  [2J"},
      {"caf\xc3\xa9", "caf\xc3\xa9"},
  };
  for (const auto& c : cases) EXPECT_EQ(ServeField(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace marl
