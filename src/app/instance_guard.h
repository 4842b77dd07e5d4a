// Only one copy of the simulator runs without options. The guard is a lock
// on a file that the kernel drops when the process ends, however it ends.
#pragma once

#include <string>

namespace marl {

struct Terminal;

// The lock file: in $XDG_RUNTIME_DIR, else in the system's temporary
// directory, one per user.
std::string InstanceLockPath();
// Returns false when another copy holds the guard. A lock file that cannot
// be opened guards nothing and lets this copy run.
bool AcquireInstanceGuard(Terminal& t);
void ReleaseInstanceGuard(Terminal& t);

}  // namespace marl
