// The words of one automation command line, and the numbers in them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marl {

// Splits a line at blanks (spaces and tabs). A word in double quotes may
// hold blanks and the escapes \\ \" \n \r \t \xHH. Returns "", or why the
// line is malformed: an unterminated quote, an unknown escape, or text
// glued to a closing quote.
std::string SplitCommandWords(std::string_view line, std::vector<std::string>* words);

// A decimal number from `min` to `max`, digits only (with a leading '-' when
// min is negative). Returns false for anything else.
bool ParseNumber(std::string_view word, int64_t min, int64_t max, int64_t* value);

}  // namespace marl
