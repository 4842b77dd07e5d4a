#include "base/settings.h"

#include <cctype>
#include <cstring>

#include "base/screen_size.h"
#include "terminal.h"

namespace marl {

namespace {

bool IsSettingSpace(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

int32_t ReadScreenSide(Terminal& t, const char* value, const char* source, const char* key) {
  const int32_t side = ReadSettingNumber(value);
  if (side <= kMaxScreenSide) return side;
  if (source == kHostSettings) {
    if (t.settings.host_size_warned) return kMaxScreenSide;
    t.settings.host_size_warned = true;
  }
  return BoundScreenSide(t, side, source, key);
}

}  // namespace

int32_t ReadSettingNumber(const char* text) {
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  int64_t value = 0;
  while (*text >= '0' && *text <= '9') {
    if (value < 0x80000000LL) value = value * 10 + (*text - '0');
    ++text;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return int32_t(value);
}

void ApplySettingLine(Terminal& t, char* line, const char* source) {
  if (line == nullptr) return;
  // Normalise in place; the key ends where the first '=' stood.
  char* out = line;
  char* value = nullptr;
  for (const char* in = line; *in != 0; ++in) {
    const unsigned char c = static_cast<unsigned char>(*in);
    if (IsSettingSpace(c)) continue;
    if (c == '=' && value == nullptr) {
      *out++ = 0;
      value = out;
      continue;
    }
    *out++ = char(std::toupper(c));
  }
  *out = 0;
  const char* key = line;

  if (value == nullptr) {
    if (std::strcmp(key, "SETF0") == 0) t.settings.setf0 = true;
    return;
  }
  if (std::strcmp(key, "ROWS") == 0) {
    const int32_t rows = ReadScreenSide(t, value, source, key);
    if (rows > 1 && t.hooks.set_screen_rows != nullptr) t.hooks.set_screen_rows(t, rows);
  } else if (std::strcmp(key, "COLS") == 0) {
    const int32_t columns = ReadScreenSide(t, value, source, key);
    if (columns > 1 && t.hooks.set_screen_columns != nullptr) {
      t.hooks.set_screen_columns(t, columns);
    }
  } else if (std::strcmp(key, "SETF0") == 0) {
    if (value[0] == 'T' || value[0] == 'Y' || value[0] == '1') t.settings.setf0 = true;
  }
  // TIMEOUT, DOWNLOAD, REBOOT, READERCMD, SERVERIP, SCANAHEAD, OVERWRITE,
  // SERVERPORT and TRANSMIT_LABEL_TYPE configure a real terminal; the
  // simulator takes its address and time-outs from elsewhere.
}

void ApplySettingList(Terminal& t, char* text, char separator, const char* source) {
  if (text == nullptr) return;
  char* start = text;
  if (*text != 0) {
    for (char* p = text + 1; *p != 0; ++p) {
      if (*p != separator) continue;
      *p = 0;
      ApplySettingLine(t, start, source);
      start = p + 1;
    }
  }
  ApplySettingLine(t, start, source);
}

}  // namespace marl
