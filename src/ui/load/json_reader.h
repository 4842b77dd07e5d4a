// A small, strict JSON reader for the load reports marlsim reads back: the
// whole of RFC 8259 and nothing more (no comments, no trailing commas, no
// repeated keys), bounded in depth, with an error that says where the text
// went wrong. Report files come from other machines: anything may be in them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace marl {

struct JsonMember;

class JsonValue {
 public:
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };

  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  // Whole numbers written without fraction or exponent, exactly, when they
  // fit: counts above 2^53 stay exact.
  bool is_unsigned = false;
  uint64_t unsigned_value = 0;
  std::string text;
  std::vector<JsonValue> items;
  std::vector<JsonMember> members;

  // The member so named, or nullptr (also when this is not an object).
  const JsonValue* Find(std::string_view key) const;
};

struct JsonMember {
  std::string key;
  JsonValue value;
};

constexpr int kJsonMaxDepth = 64;
// Values in one text at most: each takes about a hundred bytes once read,
// and a file of nothing but zeros must not take the machine's memory.
constexpr size_t kJsonMaxValues = size_t(16) << 20;

// False with `error` ("line L, column C: reason") when `text` is not one
// JSON value, optionally surrounded by white space.
bool ParseJson(std::string_view text, JsonValue* out, std::string* error);

// `text` between double quotes, escaped for JSON.
std::string JsonQuote(std::string_view text);

}  // namespace marl
