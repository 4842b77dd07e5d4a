#include "ui/pixels/png_file.h"

#include <zlib.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "ui/pixels/cell_canvas.h"

namespace marl {

namespace {

void PutBigEndian(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutBigEndian(out, uint32_t(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBigEndian(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

}  // namespace

std::string WritePng(const std::string& path, const Picture& picture) {
  if (picture.width <= 0 || picture.height <= 0) return "the window has no pixels to show";
  // Each row: filter type 0, then R, G, B.
  std::vector<uint8_t> raw;
  raw.reserve(size_t(picture.height) * (1 + size_t(picture.width) * 3));
  for (int32_t y = 0; y < picture.height; ++y) {
    raw.push_back(0);
    for (int32_t x = 0; x < picture.width; ++x) {
      const uint32_t p = picture.pixels[size_t(y) * size_t(picture.width) + size_t(x)];
      raw.push_back(uint8_t(p >> 16));
      raw.push_back(uint8_t(p >> 8));
      raw.push_back(uint8_t(p));
    }
  }
  uLongf packed_size = compressBound(uLong(raw.size()));
  std::vector<uint8_t> packed(packed_size);
  if (compress2(packed.data(), &packed_size, raw.data(), uLong(raw.size()), 9) != Z_OK) {
    return "cannot compress the picture";
  }
  packed.resize(packed_size);

  std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBigEndian(header, uint32_t(picture.width));
  PutBigEndian(header, uint32_t(picture.height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
  PutChunk(file, "IHDR", header);
  PutChunk(file, "IDAT", packed);
  PutChunk(file, "IEND", {});

  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return "cannot write " + path + ": " + std::strerror(errno);
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  if (std::fclose(out) != 0 || !written) return "cannot write " + path;
  return "";
}

}  // namespace marl
