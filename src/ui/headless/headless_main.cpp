#include "ui/headless/headless_main.h"

#include <memory>

#include "terminal.h"
#include "ui/core/core_platform.h"
#include "ui/core/event_loop.h"

namespace marl {

int RunHeadless(const HeadlessOptions& options) {
  CorePlatform core;
  // One terminal that a script drives may be asked for a snapshot at any
  // time, so it keeps its pixels from the start; its glyphs are rendered
  // when the first snapshot needs them.
  core.KeepPixels(LoadGlyphs, options.zoom);
  EventLoop loop;
  core.AttachTo(loop);
  auto terminal = std::make_unique<Terminal>(&core);
  return RunProgram(*terminal, core, loop, options);
}

}  // namespace marl
