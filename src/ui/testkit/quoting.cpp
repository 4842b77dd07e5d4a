#include "ui/testkit/quoting.h"

#include <cstdint>

namespace marl {

namespace {

void AppendHex(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\x";
  out.push_back(kHex[c >> 4]);
  out.push_back(kHex[c & 0x0F]);
}

}  // namespace

std::string QuotedText(std::string_view text, size_t limit) {
  std::string out = "\"";
  const size_t shown = text.size() < limit ? text.size() : limit;
  for (size_t i = 0; i < shown; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(char(c));
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c >= 0x20 && c <= 0x7E) {
      out.push_back(char(c));
    } else {
      AppendHex(out, c);
    }
  }
  out += "\"";
  if (shown < text.size()) out += "...";
  return out;
}

std::string PrintableLine(std::string_view text, size_t limit) {
  std::string out;
  const size_t shown = text.size() < limit ? text.size() : limit;
  for (size_t i = 0; i < shown; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c <= 0x7E) {
      out.push_back(char(c));
    } else {
      AppendHex(out, c);
    }
  }
  if (shown < text.size()) out += "...";
  return out;
}

}  // namespace marl
