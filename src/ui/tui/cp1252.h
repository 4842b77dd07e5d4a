// The terminal's characters are bytes of the Windows ANSI code page; a text
// terminal speaks Unicode. These two tables turn one into the other.
#pragma once

#include <cstdint>

namespace marl {

// The character a byte shows; 0 for the five bytes the code page leaves
// undefined.
char32_t Cp1252ToUnicode(uint8_t byte);
// The byte for a character; -1 when the code page has none.
int32_t UnicodeToCp1252(char32_t character);

}  // namespace marl
