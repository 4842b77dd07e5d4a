#include "ui/sdl/sdl_main.h"

#include <unistd.h>

#include <cstdio>
#include <exception>

#include "ui/pixels/glyph_atlas.h"
#include "ui/sdl/sdl_glyphs.h"
#include "ui/sdl/sdl_platform.h"

namespace marl {

namespace {

int RunFromProgram(const MarlWindowOptions* given, char* why, size_t why_size) {
  HeadlessOptions options;
  options.command_line = given->command_line != nullptr ? given->command_line : "";
  options.input = given->input;
  options.output = given->output;
  options.diagnostics = given->diagnostics;
  options.trace = given->trace;
  options.real_time = given->real_time != 0;
  options.mute = given->mute != 0;
  options.zoom = given->zoom;
  options.start.rows = given->rows;
  options.start.columns = given->columns;
  options.send_timeout_ms = given->send_timeout_ms;
  options.send_buffer = given->send_buffer;
  // Nothing may unwind into the program, whose C++ runtime is not this one.
  try {
    std::string reason;
    const int status = RunSdl(options, &reason);
    if (status == kNoWindow) std::snprintf(why, why_size, "%s", reason.c_str());
    return status;
  } catch (const std::exception& e) {
    std::fprintf(options.diagnostics, "marlsim: the window ended: %s\n", e.what());
    return 1;
  }
}

}  // namespace

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

const MarlWindowModule* marl_window_module(uint32_t abi) {
  static const MarlWindowModule table = {kWindowModuleAbi, marl::RunFromProgram,
                                         marl::RenderSdlFace};
  if (abi != kWindowModuleAbi) return nullptr;
  // The module's own glyphs are rendered here, not through itself.
  marl::GlyphAtlas::UseRenderer(marl::RenderSdlFace);
  return &table;
}
