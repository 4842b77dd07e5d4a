// The window's single-byte code page (Windows-1252): what a byte shows, and
// which byte a typed or pasted character becomes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace marl {

// The Unicode character of a byte, control bytes included; 0 for the five
// bytes the code page leaves undefined.
uint32_t CodePageToUnicode(uint8_t byte);
// The byte for a character; -1 when the code page has none.
int32_t UnicodeToCodePage(uint32_t character);

// The character a byte shows; 0 for bytes that show nothing.
uint32_t CodePageCharacter(uint8_t byte);

// UTF-8 text as the code page's bytes: a character the code page lacks (or
// a malformed sequence) becomes '?'.
std::string ToCodePage(std::string_view utf8);

// The code page's bytes as UTF-8, for the desktop's own texts (message
// boxes); bytes that show nothing become '?', line ends stay.
std::string FromCodePage(std::string_view bytes);

}  // namespace marl
