#include "ui/pixels/code_page.h"

namespace marl {

namespace {

constexpr uint16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char FromCharacter(uint32_t ch) {
  const int32_t byte = UnicodeToCodePage(ch);
  return byte < 0 ? '?' : char(byte);
}

}  // namespace

uint32_t CodePageToUnicode(uint8_t byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHigh[byte - 0x80];
  return byte;
}

int32_t UnicodeToCodePage(uint32_t character) {
  if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) return int32_t(character);
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] != 0 && kHigh[i] == character) return 0x80 + i;
  }
  return -1;
}

uint32_t CodePageCharacter(uint8_t byte) {
  if (byte < 0x20 || byte == 0x7F) return 0;
  return CodePageToUnicode(byte);
}

std::string ToCodePage(std::string_view utf8) {
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int extra = lead < 0x80         ? 0
                      : (lead >> 5) == 6  ? 1
                      : (lead >> 4) == 14 ? 2
                      : (lead >> 3) == 30 ? 3
                                          : -1;
    if (extra < 0 || i + size_t(extra) >= utf8.size()) {
      out.push_back('?');
      ++i;
      continue;
    }
    uint32_t ch = extra == 0 ? lead : lead & (0x3F >> extra);
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + size_t(k)]);
      if ((next & 0xC0) != 0x80) ok = false;
      ch = (ch << 6) | (next & 0x3F);
    }
    out.push_back(ok ? FromCharacter(ch) : '?');
    i += ok ? size_t(extra) + 1 : 1;
  }
  return out;
}

std::string FromCodePage(std::string_view bytes) {
  std::string out;
  for (const char b : bytes) {
    const uint32_t ch = b == '\n' ? '\n' : CodePageCharacter(uint8_t(b));
    if (ch == 0) {
      out.push_back('?');
    } else if (ch < 0x80) {
      out.push_back(char(ch));
    } else if (ch < 0x800) {
      out.push_back(char(0xC0 | (ch >> 6)));
      out.push_back(char(0x80 | (ch & 0x3F)));
    } else {
      out.push_back(char(0xE0 | (ch >> 12)));
      out.push_back(char(0x80 | ((ch >> 6) & 0x3F)));
      out.push_back(char(0x80 | (ch & 0x3F)));
    }
  }
  return out;
}

}  // namespace marl
