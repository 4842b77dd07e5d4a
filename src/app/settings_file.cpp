#include "app/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/app_state.h"
#include "base/settings.h"
#include "base/warning.h"
#include "terminal.h"

namespace marl {

namespace {

// The longest line ReadSettings hands on at once, as the window's own
// line buffer did; a longer line is read as several.
constexpr size_t kSettingsLine = 999;

// Reads at most `limit` bytes; false with errno set on a read error.
bool ReadUpTo(int fd, size_t limit, std::string* out) {
  char buffer[8192];
  while (out->size() < limit) {
    const size_t want = std::min(sizeof buffer, limit - out->size());
    const ssize_t n = read(fd, buffer, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    out->append(buffer, size_t(n));
  }
  return true;
}

// A line a person could have meant as a setting, a section or a comment.
bool LooksLikeSetting(const char* line, size_t length) {
  bool blank = true;
  for (size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (c == 0 || (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F) return false;
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') blank = false;
  }
  return blank || length < kSettingsLine;
}

}  // namespace

void ReadSettings(Terminal& t) {
  const char* path = App(t).settings_path;
  // Without O_NONBLOCK a FIFO would hold the start-up until a writer came.
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    if (errno != ENOENT) {
      Warn(t, "cannot read %s: %s; it is not used", path, std::strerror(errno));
    }
    return;
  }
  struct stat info {};
  std::string text;
  bool read_ok = true;
  if (fstat(fd, &info) != 0) {
    Warn(t, "cannot read %s: %s; it is not used", path, std::strerror(errno));
    read_ok = false;
  } else if (S_ISDIR(info.st_mode)) {
    Warn(t, "%s is a folder, not a settings file; it is not used", path);
    read_ok = false;
  } else if (!S_ISREG(info.st_mode)) {
    Warn(t, "%s is not a regular file; it is not used", path);
    read_ok = false;
  } else if (!ReadUpTo(fd, kMaxSettingsBytes + 1, &text)) {
    Warn(t, "cannot read %s: %s; it is not used", path, std::strerror(errno));
    read_ok = false;
  }
  close(fd);
  if (!read_ok) return;
  if (text.size() > kMaxSettingsBytes) {
    Warn(t, "%s is longer than %zu bytes; the rest is not read", path, kMaxSettingsBytes);
    text.resize(kMaxSettingsBytes);
  }

  // Line by line as a buffered reader with a 1000-byte buffer cuts them: at
  // each line end, or after 999 bytes; a zero byte ends what the line says.
  long garbage_line = 0;
  long line_number = 1;
  char line[kSettingsLine + 1];
  size_t at = 0;
  while (at < text.size()) {
    size_t length = std::min(kSettingsLine, text.size() - at);
    if (const void* end = std::memchr(text.data() + at, '\n', length)) {
      length = size_t(static_cast<const char*>(end) - (text.data() + at)) + 1;
    }
    std::memcpy(line, text.data() + at, length);
    line[length] = 0;
    at += length;
    if (garbage_line == 0 && !LooksLikeSetting(line, length)) garbage_line = line_number;
    if (line[length - 1] == '\n') ++line_number;
    ApplySettingLine(t, line, path);
  }
  if (garbage_line > 0) {
    Warn(t, "%s holds something other than settings (line %ld); that is not used", path,
         garbage_line);
  }
}

uint32_t WriteScreenSize(Terminal& t, int32_t rows, int32_t columns) {
  const char* path = App(t).settings_path;
  std::FILE* file = std::fopen(path, "w+");
  if (file == nullptr) {
    Warn(t, "cannot write %s: %s; the new size holds until marlsim ends", path,
         std::strerror(errno));
    return kSettingsCannotOpen;
  }
  uint32_t result = 0;
  if (std::fprintf(file, "ROWS=%d\nCOLS=%d\n", int(rows), int(columns)) < 0) {
    result = kSettingsWriteFailed;
  }
  if (std::fclose(file) != 0) result = kSettingsWriteFailed;
  if (result != 0) {
    Warn(t, "cannot write %s: %s; the new size holds until marlsim ends", path,
         std::strerror(errno));
  }
  return result;
}

}  // namespace marl
