// JUnit XML: what every awkward byte becomes, and a whole file that an XML
// parser accepts whatever the screen and the messages held.
#include "ui/testkit/junit_xml.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "temp_dir.h"
#include "ui/testkit/text_file.h"

namespace marl {
namespace {

TEST(JUnitXml, EscapesWhatXmlCannotHold) {
  struct Case {
    const char* name;
    std::string in;
    bool attribute;
    std::string out;
  };
  const Case cases[] = {
      {"markup", "a<b>&\"c\"", false, "a&lt;b&gt;&amp;\"c\""},
      {"quotes in an attribute", "say \"hi\"", true, "say &quot;hi&quot;"},
      {"line ends in text", "a\nb\tc", false, "a\nb\tc"},
      {"line ends in an attribute", "a\nb\tc", true, "a&#10;b&#9;c"},
      {"a carriage return anywhere", "a\r\n", false, "a&#13;\n"},
      {"control bytes", std::string("\x00\x01\x1b[7m\x7f", 7), false, "\\x00\\x01\\x1b[7m\\x7f"},
      {"the end of a CDATA", "]]>", false, "]]&gt;"},
      {"UTF-8 kept", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\xa6", false,
       "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x93\xa6"},
      {"a lone continuation byte", "a\x80z", false, "a\\x80z"},
      {"Windows-1252 bytes", "\x90\xe9", false, "\\x90\\xe9"},
      {"a sequence cut short at the end", "ok\xe2\x82", false, "ok\\xe2\\x82"},
      {"an overlong slash", "\xc0\xaf", false, "\\xc0\\xaf"},
      {"an overlong three-byte form", "\xe0\x80\xaf", false, "\\xe0\\x80\\xaf"},
      {"a surrogate", "\xed\xa0\x80", false, "\\xed\\xa0\\x80"},
      {"beyond U+10FFFF", "\xf4\x90\x80\x80", false, "\\xf4\\x90\\x80\\x80"},
      {"U+FFFE and U+FFFF", "\xef\xbf\xbe\xef\xbf\xbf", false, "\\xef\\xbf\\xbe\\xef\\xbf\\xbf"},
      {"U+FFFD kept", "\xef\xbf\xbd", false, "\xef\xbf\xbd"},
  };
  for (const Case& c : cases) EXPECT_EQ(XmlText(c.in, c.attribute), c.out) << c.name;
}

TEST(JUnitXml, WritesSuiteCasesAndFailures) {
  JUnitSuite suite;
  suite.name = "demo";
  suite.duration_ms = 2345;
  suite.cases = {
      {"login", "scripts", 512, false, "", "", ""},
      {"menu <2>", "scripts", 7, true, "menu.txt:3: timeout", "screen 2x1\n |ok|\n", "out"}};
  EXPECT_EQ(JUnitXml(suite),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<testsuites name=\"demo\" tests=\"2\" failures=\"1\" errors=\"0\" time=\"2.345\">\n"
            "  <testsuite name=\"demo\" tests=\"2\" failures=\"1\" errors=\"0\" skipped=\"0\" "
            "time=\"2.345\">\n"
            "    <testcase name=\"login\" classname=\"scripts\" time=\"0.512\"/>\n"
            "    <testcase name=\"menu &lt;2&gt;\" classname=\"scripts\" time=\"0.007\">\n"
            "      <failure message=\"menu.txt:3: timeout\" type=\"failure\">screen 2x1\n"
            " |ok|\n</failure>\n"
            "      <system-out>out</system-out>\n"
            "    </testcase>\n"
            "  </testsuite>\n"
            "</testsuites>\n");
}

// Every byte value, in every place a case puts text, through a real XML
// parser.
TEST(JUnitXml, AParserReadsItWhateverTheBytes) {
  std::string every;
  for (int b = 0; b < 256; ++b) every.push_back(char(b));
  JUnitSuite suite;
  suite.name = every;
  suite.timestamp = every;
  suite.cases = {{every, every, 1, true, every, every + "\xe2\x82\xac]]>", every}};
  testing::TempDir dir;
  std::string error;
  ASSERT_TRUE(WriteTextFile(dir.File("junit.xml"), JUnitXml(suite), &error)) << error;
  const std::string check =
      "python3 -c 'import sys, xml.dom.minidom as m; "
      "d = m.parse(sys.argv[1]); "
      "assert d.getElementsByTagName(\"failure\")[0].firstChild.data' " +
      dir.File("junit.xml");
  EXPECT_EQ(std::system(check.c_str()), 0) << dir.Read("junit.xml");
}

}  // namespace
}  // namespace marl
