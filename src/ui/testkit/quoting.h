// Texts quoted as a script writes them, so that a report's quote can be
// pasted back into a script, and whatever bytes a host or a file sent stay
// on one printable line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace marl {

// TEXT in double quotes: `"` and `\` escaped with a backslash, \n \r \t by
// name, any other byte outside 0x20 to 0x7E as \xHH. Past `limit` bytes of
// TEXT the rest is left off and "..." follows the closing quote.
std::string QuotedText(std::string_view text, size_t limit = SIZE_MAX);

// One line of text with every byte outside 0x20 to 0x7E as \xHH, `\`
// itself kept: for lines that are already quoted once, such as events.
std::string PrintableLine(std::string_view text, size_t limit = SIZE_MAX);

}  // namespace marl
