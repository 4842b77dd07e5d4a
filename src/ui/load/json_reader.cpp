#include "ui/load/json_reader.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace marl {

namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : s_(text) {}

  bool Document(JsonValue* out, std::string* error) {
    SkipBlanks();
    if (!Value(out, 0)) return Report(error);
    SkipBlanks();
    if (at_ != s_.size()) {
      why_ = "more after the end of the value";
      return Report(error);
    }
    return true;
  }

 private:
  bool Report(std::string* error) {
    size_t line = 1;
    size_t column = 1;
    for (size_t i = 0; i < at_ && i < s_.size(); ++i) {
      if (s_[i] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    if (at_ >= s_.size() && why_.empty()) why_ = "the text ends early";
    *error = "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + why_;
    return false;
  }
  bool Fail(const std::string& why) {
    if (why_.empty()) why_ = at_ >= s_.size() ? "the text ends early (truncated?)" : why;
    return false;
  }

  void SkipBlanks() {
    while (at_ < s_.size() &&
           (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r')) {
      ++at_;
    }
  }
  bool Literal(std::string_view word) {
    if (s_.substr(at_, word.size()) != word) return Fail("unknown word");
    at_ += word.size();
    return true;
  }

  bool Value(JsonValue* out, int depth) {
    if (depth > kJsonMaxDepth) return Fail("nested too deeply");
    if (++values_ > kJsonMaxValues) return Fail("too many values");
    if (at_ >= s_.size()) return Fail("a value is missing");
    switch (s_[at_]) {
      case '{':
        return Object(out, depth);
      case '[':
        return Array(out, depth);
      case '"':
        out->kind = JsonValue::Kind::kString;
        return String(&out->text);
      case 't':
        out->kind = JsonValue::Kind::kBool;
        out->boolean = true;
        return Literal("true");
      case 'f':
        out->kind = JsonValue::Kind::kBool;
        return Literal("false");
      case 'n':
        out->kind = JsonValue::Kind::kNull;
        return Literal("null");
      default:
        return Number(out);
    }
  }

  bool Object(JsonValue* out, int depth) {
    out->kind = JsonValue::Kind::kObject;
    ++at_;
    SkipBlanks();
    if (at_ < s_.size() && s_[at_] == '}') {
      ++at_;
      return true;
    }
    for (;;) {
      SkipBlanks();
      if (at_ >= s_.size() || s_[at_] != '"') return Fail("expected a key in double quotes");
      std::string key;
      if (!String(&key)) return false;
      if (out->Find(key) != nullptr) return Fail("the key \"" + key + "\" comes twice");
      SkipBlanks();
      if (at_ >= s_.size() || s_[at_] != ':') return Fail("expected ':'");
      ++at_;
      SkipBlanks();
      out->members.push_back({std::move(key), JsonValue()});
      if (!Value(&out->members.back().value, depth + 1)) return false;
      SkipBlanks();
      if (at_ < s_.size() && s_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < s_.size() && s_[at_] == '}') {
        ++at_;
        return true;
      }
      return Fail("expected ',' or '}'");
    }
  }

  bool Array(JsonValue* out, int depth) {
    out->kind = JsonValue::Kind::kArray;
    ++at_;
    SkipBlanks();
    if (at_ < s_.size() && s_[at_] == ']') {
      ++at_;
      return true;
    }
    for (;;) {
      SkipBlanks();
      out->items.emplace_back();
      if (!Value(&out->items.back(), depth + 1)) return false;
      SkipBlanks();
      if (at_ < s_.size() && s_[at_] == ',') {
        ++at_;
        continue;
      }
      if (at_ < s_.size() && s_[at_] == ']') {
        ++at_;
        return true;
      }
      return Fail("expected ',' or ']'");
    }
  }

  bool Hex4(uint32_t* code) {
    if (s_.size() - at_ < 4) return Fail("a short \\u escape");
    *code = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = s_[at_++];
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0) return Fail("a bad \\u escape");
      *code = *code * 16 + uint32_t(digit);
    }
    return true;
  }

  static void PutUtf8(uint32_t code, std::string* out) {
    if (code < 0x80) {
      *out += char(code);
    } else if (code < 0x800) {
      *out += char(0xC0 | (code >> 6));
      *out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      *out += char(0xE0 | (code >> 12));
      *out += char(0x80 | ((code >> 6) & 0x3F));
      *out += char(0x80 | (code & 0x3F));
    } else {
      *out += char(0xF0 | (code >> 18));
      *out += char(0x80 | ((code >> 12) & 0x3F));
      *out += char(0x80 | ((code >> 6) & 0x3F));
      *out += char(0x80 | (code & 0x3F));
    }
  }

  // One UTF-8 sequence copied as it is, when it is well formed.
  bool Utf8(std::string* out) {
    const auto lead = uint8_t(s_[at_]);
    const size_t length = lead >= 0xF0 && lead <= 0xF4   ? 4
                          : lead >= 0xE0                 ? 3
                          : lead >= 0xC2 && lead <= 0xDF ? 2
                                                         : 0;
    if (length == 0 || s_.size() - at_ < length) return Fail("not UTF-8");
    uint32_t code = lead & (0x3F >> (length - 1));
    for (size_t i = 1; i < length; ++i) {
      const auto c = uint8_t(s_[at_ + i]);
      if ((c & 0xC0) != 0x80) return Fail("not UTF-8");
      code = code << 6 | (c & 0x3F);
    }
    const uint32_t least = length == 3 ? 0x800 : length == 4 ? 0x10000 : 0x80;
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return Fail("not UTF-8");
    }
    out->append(s_.substr(at_, length));
    at_ += length;
    return true;
  }

  bool String(std::string* out) {
    ++at_;  // the opening quote
    for (;;) {
      if (at_ >= s_.size()) return Fail("");
      const char c = s_[at_];
      if (c == '"') {
        ++at_;
        return true;
      }
      if (uint8_t(c) < 0x20) return Fail("a control character in a string");
      if (uint8_t(c) >= 0x80) {
        if (!Utf8(out)) return false;
        continue;
      }
      ++at_;
      if (c != '\\') {
        *out += c;
        continue;
      }
      if (at_ >= s_.size()) return Fail("");
      const char e = s_[at_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          *out += e;
          break;
        case 'b':
          *out += '\b';
          break;
        case 'f':
          *out += '\f';
          break;
        case 'n':
          *out += '\n';
          break;
        case 'r':
          *out += '\r';
          break;
        case 't':
          *out += '\t';
          break;
        case 'u': {
          uint32_t code = 0;
          if (!Hex4(&code)) return false;
          if (code >= 0xDC00 && code <= 0xDFFF) return Fail("a lone low surrogate");
          if (code >= 0xD800 && code <= 0xDBFF) {
            uint32_t low = 0;
            if (s_.substr(at_, 2) != "\\u") return Fail("a lone high surrogate");
            at_ += 2;
            if (!Hex4(&low)) return false;
            if (low < 0xDC00 || low > 0xDFFF) return Fail("a lone high surrogate");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          }
          PutUtf8(code, out);
          break;
        }
        default:
          return Fail("an unknown escape");
      }
    }
  }

  bool Number(JsonValue* out) {
    const size_t begin = at_;
    auto digits = [&] {
      const size_t from = at_;
      while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') ++at_;
      return at_ - from;
    };
    const bool negative = at_ < s_.size() && s_[at_] == '-';
    if (negative) ++at_;
    if (at_ >= s_.size()) return Fail("");
    if (s_[at_] == '0') {
      ++at_;
    } else if (digits() == 0) {
      at_ = begin;
      return Fail("expected a value");
    }
    bool whole = true;
    if (at_ < s_.size() && s_[at_] == '.') {
      ++at_;
      whole = false;
      if (digits() == 0) return Fail("a number without digits after '.'");
    }
    if (at_ < s_.size() && (s_[at_] == 'e' || s_[at_] == 'E')) {
      ++at_;
      whole = false;
      if (at_ < s_.size() && (s_[at_] == '+' || s_[at_] == '-')) ++at_;
      if (digits() == 0) return Fail("a number without digits in its exponent");
    }
    const std::string token(s_.substr(begin, at_ - begin));
    out->kind = JsonValue::Kind::kNumber;
    out->number = std::strtod(token.c_str(), nullptr);
    if (whole && !negative) {
      errno = 0;
      const unsigned long long value = std::strtoull(token.c_str(), nullptr, 10);
      if (errno == 0) {
        out->is_unsigned = true;
        out->unsigned_value = value;
      }
    }
    return true;
  }

  std::string_view s_;
  size_t at_ = 0;
  size_t values_ = 0;
  std::string why_;
};

}  // namespace

const JsonValue* JsonValue::Find(std::string_view key) const {
  for (const auto& [name, value] : members) {
    if (name == key) return &value;
  }
  return nullptr;
}

bool ParseJson(std::string_view text, JsonValue* out, std::string* error) {
  *out = JsonValue();
  return Parser(text).Document(out, error);
}

std::string JsonQuote(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (uint8_t(c) < 0x20 || c == 0x7F) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(uint8_t(c)));
          out += escape;
        } else if (uint8_t(c) >= 0x80) {
          // Bytes of the window's code page, not UTF-8: each as its own
          // character, so the report stays valid JSON.
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(uint8_t(c)));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

}  // namespace marl
