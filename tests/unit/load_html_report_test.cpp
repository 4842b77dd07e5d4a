// The HTML page of a load report stays well formed whatever its texts hold:
// a screen's bytes of the window's code page, markup characters in a
// script's name, a command or a threshold, control bytes.
#include <gtest/gtest.h>

#include <string>

#include "shell.h"
#include "temp_dir.h"
#include "ui/load/html_report.h"
#include "ui/load/thresholds.h"

namespace marl {
namespace {

// What python3's XML parser makes of the page: the number of charts and
// of scripts, or its complaint.
std::string ParsedByXml(const std::string& page) {
  testing::TempDir dir;
  dir.Write("page.html", page);
  const std::string command =
      "python3 -c \"import sys, xml.etree.ElementTree as E; t = E.parse(sys.argv[1]); "
      "print(len(t.findall('.//svg')), len(t.findall('.//script')))\" " +
      dir.File("page.html") + " 2>&1";
  return testing::Shell(command);
}

TEST(HtmlReport, IsWellFormedWhateverItsTextsHold) {
  std::string every_byte;
  for (int b = 1; b < 256; ++b) every_byte += char(b);
  struct Case {
    const char* what;
    LoadReport report;
  };
  LoadReport empty;
  LoadReport hostile;
  hostile.terminals = 2;
  hostile.seconds = 3.5;
  hostile.started_at = 1796576400.5;
  hostile.settings.script = "</style><script>alert(1)</script>&amp;.txt";
  hostile.settings.command_line = every_byte;
  hostile.settings.shards = {"1/2", "<2/2>"};
  hostile.stopped = "interrupted";
  for (int64_t s = 0; s < 4; ++s) {
    hostile.timeline[1796576400 + s] = {uint64_t(10 * s), 0, 0, uint64_t(s % 2), 2};
    hostile.response.AddAt(1796576400 + s, 1000 + uint64_t(s) * 1500, "sign-in & <out>");
  }
  hostile.totals.errors[0] = 1;
  TerminalFailure f;
  f.terminal = 1;
  f.reason = "msgbox \"<b>\" & \x01";
  f.command = "type \"]]>\"";
  f.line = 3;
  f.screen = {every_byte.substr(0, 40), every_byte.substr(100, 40), "    "};
  hostile.failures = {f};
  JudgeThresholds({"p99<1ms", "sign-in & <out>:max<5s", "p99<<1"}, &hostile);
  for (const LoadReport* r : {&empty, &hostile}) {
    const std::string page = ReportHtml(*r);
    EXPECT_EQ(ParsedByXml(page), "3 0\n") << page.substr(0, 300);
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("http"), std::string::npos);
  }
}

}  // namespace
}  // namespace marl
