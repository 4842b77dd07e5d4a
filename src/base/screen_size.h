// The one bound on a screen's rows and columns, whichever way they arrive:
// the settings file, the host's settings lines, the screen setup window,
// the command line and the load driver.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;

// The device shows at most two digits a side, and no text terminal or
// display comes near this many cells; a square screen of this side is
// exactly the largest grid the screen keeps, and a form drawn on it is
// still a matter of milliseconds.
constexpr int32_t kMaxScreenSide = 2048;

// A side from `source` (the settings file's name, "host settings", ...)
// under `key` (ROWS or COLS): above the bound it becomes the bound, said
// once through Warn; anything else comes back as it came.
int32_t BoundScreenSide(Terminal& t, int32_t value, const char* source, const char* key);

}  // namespace marl
