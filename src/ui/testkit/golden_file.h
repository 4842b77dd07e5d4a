// Golden files on disk: what `expect screen` reads and `--update-goldens`
// writes.
#pragma once

#include <string>

#include "ui/testkit/golden_screen.h"

namespace marl {

enum class GoldenLoad { kLoaded, kMissing, kFailed };

// Reads and parses the golden at `path`. kMissing when there is no such
// file (`error` then says how to make one); kFailed with `error` naming
// the file and, for a malformed one, the line ("PATH: line 7: ...").
GoldenLoad LoadGolden(const std::string& path, GoldenScreen* golden, std::string* error);

// Writes `golden` to `path` whole or not at all.
bool SaveGolden(const std::string& path, const GoldenScreen& golden, std::string* error);

}  // namespace marl
