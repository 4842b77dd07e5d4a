// Pictures as PNG files: 8-bit RGB, compressed with zlib.
#pragma once

#include <string>

namespace marl {

struct Picture;

// "" when written, else the reason it was not.
std::string WritePng(const std::string& path, const Picture& picture);

}  // namespace marl
