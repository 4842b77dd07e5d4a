#include "ui/load/shard.h"

#include <time.h>

#include <charconv>
#include <cmath>

namespace marl {

namespace {

constexpr int64_t kMostShards = 65000;

bool Whole(std::string_view s, int64_t low, int64_t high, int64_t* out) {
  if (s.empty() || s.size() > 9) return false;
  int64_t value = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size() || value < low || value > high) return false;
  *out = value;
  return true;
}

bool Digits(std::string_view s, size_t at, size_t n, int* out) {
  if (at + n > s.size()) return false;
  int value = 0;
  for (size_t i = at; i < at + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    value = value * 10 + (s[i] - '0');
  }
  *out = value;
  return true;
}

}  // namespace

bool ParseShard(std::string_view text, Shard* out, std::string* error) {
  const size_t slash = text.find('/');
  int64_t index = 0;
  int64_t count = 0;
  if (slash == std::string_view::npos || !Whole(text.substr(slash + 1), 1, kMostShards, &count) ||
      !Whole(text.substr(0, slash), 1, count, &index)) {
    *error = "--shard needs I/N, shard I of N counted from 1 (1/4 to 4/4), not \"" +
             std::string(text) + "\"";
    return false;
  }
  out->index = index;
  out->count = count;
  return true;
}

void ShardRange(const Shard& s, int64_t terminals, int64_t* first, int64_t* last) {
  *first = (s.index - 1) * terminals / s.count + 1;
  *last = s.index * terminals / s.count;
}

bool ParseStartAt(std::string_view text, double* seconds, std::string* error) {
  *error =
      "--start-at needs seconds since 1970 or an ISO 8601 UTC time such as "
      "2026-12-06T17:00:00Z, not \"" +
      std::string(text) + "\"";
  if (!text.empty() && text.find_first_not_of("0123456789.") == std::string_view::npos) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *seconds);
    const bool ok =
        ec == std::errc() && end == text.data() + text.size() && std::isfinite(*seconds);
    if (ok) error->clear();
    return ok;
  }
  tm t{};
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!Digits(text, 0, 4, &year) || text.size() < 19 || text[4] != '-' ||
      !Digits(text, 5, 2, &month) || text[7] != '-' || !Digits(text, 8, 2, &day) ||
      (text[10] != 'T' && text[10] != 't' && text[10] != ' ') || !Digits(text, 11, 2, &hour) ||
      text[13] != ':' || !Digits(text, 14, 2, &minute) || text[16] != ':' ||
      !Digits(text, 17, 2, &second)) {
    return false;
  }
  if (year < 1970 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
      second > 60) {
    return false;
  }
  std::string_view rest = text.substr(19);
  double fraction = 0;
  if (!rest.empty() && rest[0] == '.') {
    size_t n = 1;
    double scale = 0.1;
    while (n < rest.size() && rest[n] >= '0' && rest[n] <= '9' && n < 10) {
      fraction += (rest[n] - '0') * scale;
      scale /= 10;
      ++n;
    }
    if (n == 1) return false;
    rest.remove_prefix(n);
  }
  if (!(rest.empty() || rest == "Z" || rest == "z" || rest == "+00:00")) return false;
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  const time_t at = timegm(&t);
  // timegm folds 31 February into March: such a date is not one.
  tm back{};
  if (at == time_t(-1) || gmtime_r(&at, &back) == nullptr || back.tm_mday != day) return false;
  *seconds = double(at) + fraction;
  error->clear();
  return true;
}

}  // namespace marl
