// The headless front end: the core with no face, driven by automation
// commands from standard input or a script until it ends.
#pragma once

#include "ui/core/run_program.h"

namespace marl {

// Exit status: 0 when every command answered ok (or another copy already
// runs), 2 when any answered with an error, 1 when start-up failed.
int RunHeadless(const HeadlessOptions& options);

}  // namespace marl
