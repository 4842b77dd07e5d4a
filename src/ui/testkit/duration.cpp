#include "ui/testkit/duration.h"

#include "ui/testkit/quoting.h"

namespace marl {

namespace {

bool Bad(std::string_view word, const char* why, std::string* error) {
  *error = why[0] == '\0'
               ? "bad duration " + QuotedText(word, 40) + " (write 500, 500ms, 5s or 1.5s)"
               : "duration " + QuotedText(word, 40) + why;
  return false;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

}  // namespace

bool ParseDuration(std::string_view word, int64_t* ms, std::string* error) {
  size_t i = 0;
  int64_t whole = 0;
  bool too_long = false;
  while (i < word.size() && IsDigit(word[i])) {
    // Past the limit the digits only need reading, not adding.
    if (whole <= kMaxDurationMs) whole = whole * 10 + (word[i] - '0');
    ++i;
  }
  if (i == 0) return Bad(word, "", error);
  int64_t thousandths = 0;
  bool finer = false;
  bool fraction = false;
  if (i < word.size() && word[i] == '.') {
    fraction = true;
    size_t digits = 0;
    for (++i; i < word.size() && IsDigit(word[i]); ++i, ++digits) {
      if (digits < 3) {
        thousandths = thousandths * 10 + (word[i] - '0');
      } else if (word[i] != '0') {
        finer = true;
      }
    }
    if (digits == 0) return Bad(word, "", error);
    for (; digits < 3; ++digits) thousandths *= 10;
  }
  std::string unit;
  for (; i < word.size(); ++i) unit.push_back(Lower(word[i]));
  int64_t value = 0;
  if (unit == "s") {
    if (finer) return Bad(word, " is finer than a millisecond", error);
    too_long = whole > kMaxDurationMs / 1000;
    value = too_long ? 0 : whole * 1000 + thousandths;
  } else if ((unit.empty() || unit == "ms") && !fraction) {
    too_long = whole > kMaxDurationMs;
    value = whole;
  } else {
    return Bad(word, "", error);
  }
  if (too_long || value > kMaxDurationMs) return Bad(word, " is longer than 24 hours", error);
  *ms = value;
  return true;
}

std::string FormatDuration(int64_t ms) {
  if (ms < 0) ms = 0;
  if (ms < 1000) return std::to_string(ms) + "ms";
  std::string out = std::to_string(ms / 1000);
  int64_t rest = ms % 1000;
  if (rest != 0) {
    std::string digits = std::to_string(1000 + rest).substr(1);
    while (digits.back() == '0') digits.pop_back();
    out += "." + digits;
  }
  return out + "s";
}

}  // namespace marl
