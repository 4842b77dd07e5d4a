#include "ui/sdl/sdl_main.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>

#include "ui/pixels/glyph_atlas.h"
#include "ui/sdl/sdl_glyphs.h"
#include "ui/sdl/sdl_platform.h"

namespace marl {

namespace {

// Lines for standard error, the first few also kept, so that the window can
// say why its start-up failed.
ssize_t WriteAndKeep(void* kept, const char* bytes, size_t n) {
  constexpr size_t kKept = 4096;
  auto* text = static_cast<std::string*>(kept);
  text->append(bytes, std::min(n, kKept - std::min(kKept, text->size())));
  std::fwrite(bytes, 1, n, stderr);
  return ssize_t(n);
}

// Commands from a file or a pipe: nobody may be there to answer a box.
bool ScriptDrives(int input) {
  struct stat st {};
  return input >= 0 && fstat(input, &st) == 0 &&
         (S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));
}

int RunFromProgram(const MarlWindowOptions* given, char* why, size_t why_size) {
  HeadlessOptions options;
  options.command_line = given->command_line != nullptr ? given->command_line : "";
  options.input = given->input;
  if (given->script != nullptr) options.script = given->script;
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
  if (given->record != nullptr) options.record = given->record;
  options.strict = given->strict != 0;
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
  std::string said;
  std::FILE* diagnostics = fopencookie(&said, "w", {nullptr, WriteAndKeep, nullptr, nullptr});
  if (diagnostics != nullptr) {
    setvbuf(diagnostics, nullptr, _IOLBF, 0);
    options.diagnostics = diagnostics;
  }
  const int status = RunOn(platform, options);
  if (diagnostics != nullptr) std::fclose(diagnostics);
  // The terminal's own box, which a person answers, and the system's reason
  // in the title above it.
  const size_t reason = said.find("cannot connect to host");
  if (status == 1 && reason != std::string::npos && !ScriptDrives(options.input)) {
    platform.SayConnectFailed(said.substr(reason, said.find('\n', reason) - reason));
  }
  return status;
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
