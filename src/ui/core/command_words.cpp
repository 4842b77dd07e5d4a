#include "ui/core/command_words.h"

namespace marl {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string SplitCommandWords(std::string_view line, std::vector<std::string>* words) {
  words->clear();
  size_t i = 0;
  while (i < line.size()) {
    if (IsBlank(line[i])) {
      ++i;
      continue;
    }
    std::string word;
    if (line[i] != '"') {
      while (i < line.size() && !IsBlank(line[i])) word.push_back(line[i++]);
      words->push_back(std::move(word));
      continue;
    }
    ++i;
    bool closed = false;
    while (i < line.size()) {
      const char c = line[i++];
      if (c == '"') {
        closed = true;
        break;
      }
      if (c != '\\') {
        word.push_back(c);
        continue;
      }
      if (i >= line.size()) break;
      const char e = line[i++];
      switch (e) {
        case '\\':
        case '"':
          word.push_back(e);
          break;
        case 'n':
          word.push_back('\n');
          break;
        case 'r':
          word.push_back('\r');
          break;
        case 't':
          word.push_back('\t');
          break;
        case 'x': {
          const int high = i < line.size() ? HexDigit(line[i]) : -1;
          const int low = i + 1 < line.size() ? HexDigit(line[i + 1]) : -1;
          if (high < 0 || low < 0) {
            return "bad escape \\x: two hexadecimal digits must follow";
          }
          word.push_back(char(high * 16 + low));
          i += 2;
          break;
        }
        default:
          return std::string("unknown escape \\") + e;
      }
    }
    if (!closed) {
      return "unterminated quote";
    }
    if (i < line.size() && !IsBlank(line[i])) {
      return "text after a closing quote";
    }
    words->push_back(std::move(word));
  }
  return "";
}

bool ParseNumber(std::string_view word, int64_t min, int64_t max, int64_t* value) {
  size_t i = 0;
  bool negative = false;
  if (min < 0 && !word.empty() && word[0] == '-') {
    negative = true;
    i = 1;
  }
  if (i >= word.size() || word.size() - i > 18) return false;
  int64_t v = 0;
  for (; i < word.size(); ++i) {
    if (word[i] < '0' || word[i] > '9') return false;
    v = v * 10 + (word[i] - '0');
  }
  if (negative) v = -v;
  if (v < min || v > max) return false;
  *value = v;
  return true;
}

}  // namespace marl
