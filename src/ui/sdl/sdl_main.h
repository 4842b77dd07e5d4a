// The desktop window as a program, and the window module's one entry point:
// the window opened, then the terminal run in it, with the automation reader
// beside its event loop when a script or a pipe gives commands.
#pragma once

#include <string>

#include "ui/core/run_program.h"
#include "ui/window_module.h"

namespace marl {

// The program in the window, or kNoWindow with `why` set when there is no
// display, font or window.
int RunSdl(HeadlessOptions options, std::string* why);

}  // namespace marl

// The module's table (the run and the font renderer), or null when `abi` is
// not this build's.
extern "C" __attribute__((visibility("default"))) const MarlWindowModule* marl_window_module(
    uint32_t abi);
