// The desktop window as a program: the window opened, then the terminal run
// in it, with the automation reader beside its event loop when a script or a
// pipe gives commands.
#pragma once

#include "ui/headless/headless_main.h"

namespace marl {

// `asked` is true when --ui=sdl was given. Without a display, a font or a
// window, says why on standard error and runs the headless front end.
int RunSdl(HeadlessOptions options, bool asked);

}  // namespace marl
