// The settings file vozido.ini: read once at start-up, rewritten by the
// screen setup window with the new size.
#pragma once

#include <cstddef>
#include <cstdint>

namespace marl {

struct Terminal;

constexpr uint32_t kSettingsCannotOpen = 0x80070005;
constexpr uint32_t kSettingsWriteFailed = 0x80004005;

// A settings file holds a few short lines; anything longer is not one.
constexpr size_t kMaxSettingsBytes = 64 * 1024;

// Applies every line of the file; a missing file changes nothing. A line
// longer than 999 characters is read as several. Only a regular file is
// read, and only its first kMaxSettingsBytes; what is not used is said on
// standard error, a line for each kind of trouble.
void ReadSettings(Terminal& t);
// Replaces the whole file with the two lines ROWS= and COLS=. Returns 0 or
// one of the codes above, and says on standard error when it fails.
uint32_t WriteScreenSize(Terminal& t, int32_t rows, int32_t columns);

}  // namespace marl
