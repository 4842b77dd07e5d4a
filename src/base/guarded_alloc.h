// Every block the terminal takes from the heap carries a guard word on each
// side and is counted, so damage shows at the release that finds it and the
// debug lines can show what is in use.
#pragma once

#include <cstdint>

#include "base/base_state.h"

namespace marl {

struct Terminal;

// Bytes the allocator adds to each block: size and front guard, back guard.
constexpr uint32_t kGuardOverhead = 12;

// Returns n usable bytes, or null when the heap itself has none left (the
// counters are then left as they were). Callers check for null.
void* GuardedAlloc(Terminal& t, uint32_t n, int line, const char* file);
void* GuardedCalloc(Terminal& t, uint32_t count, uint32_t size, int line, const char* file);
// Always moves the block. copy_count is cut to the smaller of the two blocks.
void* GuardedRealloc(Terminal& t, void* old, uint32_t copy_count, uint32_t n, int line,
                     const char* file);
void GuardedFree(Terminal& t, void* p, int line, const char* file);

// Copies a zero-terminated or counted text into a fresh guarded block of
// length + 1 bytes, zero-terminated.
char* GuardedCopy(Terminal& t, const char* bytes, int32_t length, int line, const char* file);

}  // namespace marl
