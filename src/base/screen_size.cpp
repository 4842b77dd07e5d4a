#include "base/screen_size.h"

#include "base/warning.h"

namespace marl {

int32_t BoundScreenSide(Terminal& t, int32_t value, const char* source, const char* key) {
  if (value <= kMaxScreenSide) return value;
  Warn(t, "%s: %s=%ld is more than a screen may have; %ld is used", source, key, long(value),
       long(kMaxScreenSide));
  return kMaxScreenSide;
}

}  // namespace marl
