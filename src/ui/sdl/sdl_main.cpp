#include "ui/sdl/sdl_main.h"

#include <unistd.h>

#include <cstdlib>

#include "ui/sdl/sdl_platform.h"

namespace marl {

bool DisplayNamed() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != 0) return true;
  }
  return false;
}

int RunSdl(HeadlessOptions options, std::string* why) {
  if (!DisplayNamed()) {
    *why = "no display (neither DISPLAY nor WAYLAND_DISPLAY is set)";
    return kNoWindow;
  }
  SdlPlatform platform(options.zoom, options.mute);
  if (!platform.Open(why)) return kNoWindow;
  // A person at a terminal types into the window, not into the reader.
  if (options.input == 0 && isatty(0)) options.input = -1;
  return RunOn(platform, options);
}

}  // namespace marl
