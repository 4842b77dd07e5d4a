// Durations as a script writes them: "500" and "500ms" are milliseconds,
// "5s" and "1.5s" seconds. A bare number is milliseconds because that is
// what every wait took before units existed, so old scripts keep working;
// a bare "1.5" is refused rather than guessed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace marl {

// The longest duration anything waits: a day.
constexpr int64_t kMaxDurationMs = 24LL * 3600 * 1000;

// Reads `word` into milliseconds. On a malformed word returns false with
// `error` one of:
//   bad duration "WORD" (write 500, 500ms, 5s or 1.5s)
//   duration "WORD" is longer than 24 hours
//   duration "WORD" is finer than a millisecond
bool ParseDuration(std::string_view word, int64_t* ms, std::string* error);

// The shortest words ParseDuration reads back as `ms`: "500ms", "5s",
// "1.5s"; negative values as "0ms".
std::string FormatDuration(int64_t ms);

}  // namespace marl
