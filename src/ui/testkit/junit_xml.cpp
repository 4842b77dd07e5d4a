#include "ui/testkit/junit_xml.h"

namespace marl {

namespace {

void AppendHexByte(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\x";
  out.push_back(kHex[c >> 4]);
  out.push_back(kHex[c & 0x0F]);
}

// The length of the well-formed UTF-8 sequence at the front of `text` whose
// code point XML allows, or 0.
size_t AllowedSequence(std::string_view text) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  size_t length = 0;
  uint32_t code = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  // Overlong forms, surrogates, beyond U+10FFFF, and the two non-characters
  // XML leaves out.
  static constexpr uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kLeast[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF ||
      code == 0xFFFE || code == 0xFFFF) {
    return 0;
  }
  return length;
}

std::string Milliseconds(int64_t ms) {
  if (ms < 0) ms = 0;
  // By hand rather than printf: a locale with a decimal comma would break
  // the number.
  const std::string fraction = std::to_string(1000 + ms % 1000).substr(1);
  return std::to_string(ms / 1000) + "." + fraction;
}

std::string Attribute(const char* name, std::string_view value) {
  return std::string(" ") + name + "=\"" + XmlText(value, true) + "\"";
}

}  // namespace

std::string XmlText(std::string_view text, bool attribute) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const size_t length = AllowedSequence(text.substr(i));
      if (length == 0) {
        AppendHexByte(out, c);
        ++i;
      } else {
        out.append(text.substr(i, length));
        i += length;
      }
      continue;
    }
    ++i;
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += attribute ? "&quot;" : "\"";
        break;
      // Line ends and tabs survive in character data; an attribute value
      // would fold them into blanks, and a lone CR becomes LF anywhere.
      case '\n':
        out += attribute ? "&#10;" : "\n";
        break;
      case '\t':
        out += attribute ? "&#9;" : "\t";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          AppendHexByte(out, c);
        } else {
          out.push_back(char(c));
        }
    }
  }
  return out;
}

std::string JUnitXml(const JUnitSuite& suite) {
  int64_t failures = 0;
  for (const JUnitCase& c : suite.cases) failures += c.failed ? 1 : 0;
  const std::string tests = std::to_string(suite.cases.size());
  const std::string failed = std::to_string(failures);
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<testsuites" + Attribute("name", suite.name) + Attribute("tests", tests) +
         Attribute("failures", failed) + Attribute("errors", "0") +
         Attribute("time", Milliseconds(suite.duration_ms)) + ">\n";
  out += "  <testsuite" + Attribute("name", suite.name) + Attribute("tests", tests) +
         Attribute("failures", failed) + Attribute("errors", "0") + Attribute("skipped", "0") +
         Attribute("time", Milliseconds(suite.duration_ms));
  if (!suite.timestamp.empty()) out += Attribute("timestamp", suite.timestamp);
  out += ">\n";
  for (const JUnitCase& c : suite.cases) {
    out += "    <testcase" + Attribute("name", c.name) + Attribute("classname", c.class_name) +
           Attribute("time", Milliseconds(c.duration_ms));
    if (!c.failed && c.output.empty()) {
      out += "/>\n";
      continue;
    }
    out += ">\n";
    if (c.failed) {
      out += "      <failure" + Attribute("message", c.message) + Attribute("type", "failure") +
             ">" + XmlText(c.details, false) + "</failure>\n";
    }
    if (!c.output.empty())
      out += "      <system-out>" + XmlText(c.output, false) + "</system-out>\n";
    out += "    </testcase>\n";
  }
  out += "  </testsuite>\n</testsuites>\n";
  return out;
}

}  // namespace marl
