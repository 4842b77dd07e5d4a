// The desktop window lives in a module of its own (marlsim-sdl.so), loaded
// only when a window or a snapshot is wanted, so that every other run starts
// without SDL and the dozens of display and sound libraries it pulls in.
// The module carries its own copy of the terminal and exports one C entry
// point; nothing but the plain structs below crosses between the two.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" {

// Raised whenever the structs below change, so that a module from another
// build is refused rather than misread.
constexpr uint32_t kWindowModuleAbi = 3;

struct MarlWindowOptions {
  const char* command_line;  // the terminal's own
  int input;                 // automation commands; -1 none
  const char* script;        // their file: failed waits name it; null for none
  std::FILE* output;
  std::FILE* diagnostics;
  std::FILE* trace;
  int real_time;
  int mute;
  int32_t zoom;
  int32_t rows;  // a size given on the command line; 0 none
  int32_t columns;
  uint32_t send_timeout_ms;
  int32_t send_buffer;
  const char* record;  // --record's script; null for none
  int strict;          // refusals and unexpected boxes end the run with 2
};

// Renders one face of the font file at `path` to coverage masks of 256
// glyphs, `advance` x 16 bytes each, into `masks`, and the underline's row;
// 0 with a message in `error` when it cannot.
using MarlFaceRenderer = int (*)(const char* path, int32_t advance, uint8_t* masks,
                                 int32_t* underline_row, char* error, size_t error_size);

struct MarlWindowModule {
  uint32_t abi;
  // The program in the window; kNoWindow with a message in `why` when no
  // window could open and nothing has started.
  int (*run)(const MarlWindowOptions* options, char* why, size_t why_size);
  MarlFaceRenderer render_face;
};

// The module's one export: its table, or null when `abi` is not its own.
using MarlWindowModuleEntry = const MarlWindowModule* (*)(uint32_t abi);
constexpr const char* kWindowModuleEntry = "marl_window_module";
}

namespace marl {

constexpr const char* kWindowModuleName = "marlsim-sdl.so";

// The window program's answer when no window could be opened.
constexpr int kNoWindow = -1;

// The scan entry box's key in the window, shown in --help.
constexpr const char* kScanKeyName = "Alt+S";

// Whether DISPLAY or WAYLAND_DISPLAY names a display.
bool DisplayNamed();

// Where the module may be for the program at `exe`, best first: the install's
// library folder (`library_dir`, relative to the program's folder), then
// beside the program, as in a build tree.
std::vector<std::string> ModuleCandidates(const std::string& exe, const std::string& library_dir);

// The module's table, loaded on the first call; null with a one-line `error`
// when the module is missing, broken or from another build.
const MarlWindowModule* WindowModule(std::string* error);

// The program in the window, or kNoWindow with `why` set when there is no
// display, no module or no window.
int RunWindow(const MarlWindowOptions& options, std::string* why);

}  // namespace marl
