// The failure report a CI log shows: the screen with its cursor, the field,
// the last events and the error line, whatever bytes went into them.
#include "ui/testkit/failure_report.h"

#include <gtest/gtest.h>

#include "golden_fixtures.h"

namespace marl {
namespace {

using testing::ImageOf;

TEST(FailureReport, ShowsScreenFieldEventsAndWhere) {
  Failure f;
  f.script = "tests/login.txt";
  f.line = 12;
  f.reason = "expect text \"Welcome\": not shown within 5s";
  f.screen = ImageOf({"Sign in   ", "User: bob ", "Pass:     "}, 2, 6);
  f.field = {true, 1, "Pass:", "", 2, 6};
  f.events = {"beep 2000 200", "send \"K\\\\0\""};
  EXPECT_EQ(FailureReportText(f),
            "screen 10x3, cursor 2 6\n"
            " 0 |Sign in   |\n"
            " 1 |User: bob |\n"
            " 2 |Pass:     |\n"
            "          ^\n"
            "field 1 \"Pass:\" at 2 6: \"\"\n"
            "events:\n"
            "  beep 2000 200\n"
            "  send \"K\\\\0\"\n"
            "error: tests/login.txt:12: expect text \"Welcome\": not shown within 5s\n");
}

TEST(FailureReport, KeepsEveryLineOnePrintableLine) {
  struct Case {
    const char* name;
    Failure failure;
    std::string tail;  // the report's end
  };
  Failure no_script;
  no_script.reason = "timeout";
  Failure bytes;
  bytes.script = "a\nb.txt";
  bytes.line = 3;
  bytes.reason = "two\nlines\x1b";
  bytes.field = {true, 0, "Qty\x01:", "7\n\xff", 0, 0};
  Failure many;
  many.script = "s.txt";
  for (int i = 0; i < 20; ++i) many.events.push_back("print \"" + std::to_string(i) + "\"");
  many.reason = "r";
  const Case cases[] = {
      {"no script, no form, no events", no_script, "no current field\nno events\nerror: timeout\n"},
      {"control bytes in names, values and reasons", bytes,
       "field 0 \"Qty\\x01:\" at 0 0: \"7\\n\\xff\"\nno events\n"
       "error: a\\x0ab.txt:3: two\\x0alines\\x1b\n"},
      {"only the last events", many,
       "last 12 of 20 events:\n  print \"8\"\n  print \"9\"\n  print \"10\"\n  print \"11\"\n"
       "  print \"12\"\n  print \"13\"\n  print \"14\"\n  print \"15\"\n  print \"16\"\n"
       "  print \"17\"\n  print \"18\"\n  print \"19\"\nerror: s.txt: r\n"},
  };
  for (const Case& c : cases) {
    const std::string report = FailureReportText(c.failure);
    ASSERT_GE(report.size(), c.tail.size()) << c.name;
    EXPECT_EQ(report.substr(report.size() - c.tail.size()), c.tail) << c.name;
    size_t start = 0;
    for (size_t end = report.find('\n'); end != std::string::npos;
         start = end + 1, end = report.find('\n', start)) {
      const std::string line = report.substr(start, end - start);
      const bool last = end + 1 == report.size();
      EXPECT_EQ(line.rfind("error:", 0) == 0, last) << c.name << ": " << line;
      EXPECT_NE(line.rfind("ok", 0), 0u) << c.name << ": " << line;
    }
  }
}

TEST(FailureReport, MarksTheCursorOnlyOnTheScreen) {
  struct Case {
    const char* name;
    ScreenImage screen;
    std::string text;
  };
  ScreenImage short_bytes = ImageOf({"ab"}, 0, 1);
  short_bytes.bytes = "a\x01";
  ScreenImage huge;
  huge.rows = 100000;
  huge.columns = 100000;
  const Case cases[] = {
      {"a dot for a byte no one sees", short_bytes, "screen 2x1, cursor 0 1\n 0 |a.|\n     ^\n"},
      {"the cursor past the last column", ImageOf({"ab"}, 0, 2),
       "screen 2x1, cursor 0 2 (off the screen)\n 0 |ab|\n"},
      {"a negative cursor", ImageOf({"ab"}, -1, 0),
       "screen 2x1, cursor -1 0 (off the screen)\n 0 |ab|\n"},
      {"no screen", ScreenImage{}, "screen 0x0, cursor 0 0\n"},
      {"a size beyond any screen", huge, "screen 0x0, cursor 0 0\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(ScreenReportText(c.screen), c.text) << c.name;
}

}  // namespace
}  // namespace marl
