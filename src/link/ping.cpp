#include "link/ping.h"

#include <cstdio>
#include <cstdlib>

#include "link/transmit.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

const char* FormatElapsed(Terminal& t, uint64_t start, uint64_t end, int32_t mode) {
  char* text = t.link.elapsed;
  const int64_t d = int64_t(end - start);
  const int32_t v = int32_t(mode == 5 ? d / 10000 : d / 10000000);
  if (mode == 5 || mode == 0) {
    std::snprintf(text, kElapsedTextSize, "%d", v);
  } else {
    const int32_t h = v / 3600;
    const int32_t r = v - 3600 * h;
    const int32_t m = r / 60;
    const int32_t s = r - 60 * m;
    std::snprintf(text, kElapsedTextSize, "%03d:%02d:%02d", h, m, s);
  }
  return text;
}

int32_t ResponseTimeMs(Terminal& t) {
  return std::atoi(FormatElapsed(t, t.link.transmit_start, t.platform->Now(), 5));
}

int32_t TogglePing(Terminal& t) {
  t.link.ping_mode = 1 - t.link.ping_mode;
  if (t.link.ping_mode == 0) return 0;
  ClearScreen(t);
  t.link.ping_count = 0;
  char banner[] = ".....PINGing........";
  DrawLines(t, 4, 0, banner);
  SendPing(t, 0);
  return 1;
}

void SendPing(Terminal& t, uint32_t n) {
  char text[32];
  std::snprintf(text, sizeof text, "NG,%lu", static_cast<unsigned long>(n));
  Transmit(t, -1, text, "Ping");
}

int32_t PingReply(Terminal& t) {
  const char* elapsed = FormatElapsed(t, t.link.transmit_start, t.platform->Now(), 5);
  if (t.link.ping_mode == 0) return 0;
  char text[kElapsedTextSize + 48];
  std::snprintf(text, sizeof text, "Elapsed:%sms PingCount:%d\n", elapsed, t.link.ping_count);
  const uint32_t ms = uint32_t(std::atoi(elapsed));
  DrawLines(t, 6 + t.link.ping_count % 8, 0, text);
  // Counting the results walks them down rows 6 to 13 instead of
  // overwriting one line for ever.
  t.link.ping_count = t.link.ping_count < INT32_MAX ? t.link.ping_count + 1 : 0;
  SendPing(t, ms);
  return 1;
}

}  // namespace marl
