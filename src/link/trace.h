// The link trace: every chunk received and every send, time-stamped, as a
// hex and text dump, for host developers chasing a byte.
#pragma once

#include <cstdint>
#include <cstdio>

namespace marl {

// Writes one dump to `out` (nothing when it is null). `what` names the
// direction ("recv", "send"); with no bytes it is a line of its own (what
// happened to the connection). Safe to call from the receive thread and the
// main thread at once. The first write that fails is said on standard
// error, once.
void TraceBytes(std::FILE* out, const char* what, const char* bytes, int32_t length);

}  // namespace marl
