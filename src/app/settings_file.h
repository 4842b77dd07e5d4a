// The settings file vozido.ini: read once at start-up, rewritten by the
// screen setup window with the new size.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;

constexpr uint32_t kSettingsCannotOpen = 0x80070005;
constexpr uint32_t kSettingsWriteFailed = 0x80004005;

// Applies every line of the file; a missing file changes nothing. A line
// longer than 999 characters is read as several.
void ReadSettings(Terminal& t);
// Replaces the whole file with the two lines ROWS= and COLS=. Returns 0 or
// one of the codes above.
uint32_t WriteScreenSize(Terminal& t, int32_t rows, int32_t columns);

}  // namespace marl
