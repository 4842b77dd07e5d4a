// The desktop window as a program: the window opened, then the terminal run
// in it, with the automation reader beside its event loop when a script or a
// pipe gives commands.
#pragma once

#include <string>

#include "ui/core/run_program.h"

namespace marl {

// RunSdl's answer when no window could be opened; nothing has started yet.
constexpr int kNoWindow = -1;

// Whether DISPLAY or WAYLAND_DISPLAY names a display.
bool DisplayNamed();

// The program in the window, or kNoWindow with `why` set when there is no
// display, font or window.
int RunSdl(HeadlessOptions options, std::string* why);

}  // namespace marl
