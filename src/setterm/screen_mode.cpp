#include "setterm/screen_mode.h"

#include "terminal.h"

namespace marl {

// Not built yet.
int32_t SetScreenMode(Terminal&, HostRecord*) {
  return 1;
}

}  // namespace marl
