// JUnit XML, the report CI servers read: one testsuite, a testcase a
// script, a failure with its message and the screen. Whatever bytes a
// screen or a message holds, the file stays well-formed XML.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marl {

struct JUnitCase {
  std::string name;
  std::string class_name;
  int64_t duration_ms = 0;
  bool failed = false;
  std::string message;  // the failure's one line
  std::string details;  // the failure's text: the report with the screen
  std::string output;   // what the case printed, kept as system-out ("" for none)
};

struct JUnitSuite {
  std::string name;
  std::string timestamp;  // ISO 8601, "" for none
  int64_t duration_ms = 0;
  std::vector<JUnitCase> cases;
};

std::string JUnitXml(const JUnitSuite& suite);

// Text as XML character data (or an attribute value with `attribute`):
// markup characters as entities; bytes that XML 1.0 cannot hold (control
// bytes, invalid UTF-8, U+FFFE and U+FFFF) as the text "\xHH", so a reader
// still sees which byte it was.
std::string XmlText(std::string_view text, bool attribute);

}  // namespace marl
