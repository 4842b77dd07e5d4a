// Character tests on the host's bytes: plain ASCII, whatever the locale.
#pragma once

namespace marl {

constexpr bool IsDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}

constexpr bool IsHex(unsigned char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

constexpr unsigned char Upper(unsigned char c) {
  return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

}  // namespace marl
