// Every block the terminal takes from the heap carries a guard word on each
// side and is counted, so damage shows at the release that finds it and the
// debug lines can show what is in use.
#pragma once

#include <cstdint>
#include <version>
#if defined(__cpp_lib_source_location)
#include <source_location>
#endif

#include "base/base_state.h"

namespace marl {

// Where a call to the allocator is written, taken at the call: the standard
// library's source_location where it has one. The clang that builds the
// fuzz targets has only the compiler's builtin, which is what the library
// uses too.
#if defined(__cpp_lib_source_location)
using CallSite = std::source_location;
#else
class CallSite {
 public:
  static constexpr CallSite current(uint_least32_t line = __builtin_LINE()) {
    CallSite site;
    site.line_ = line;
    return site;
  }
  constexpr uint_least32_t line() const { return line_; }

 private:
  uint_least32_t line_ = 0;
};
#endif

struct Terminal;

// Bytes the allocator adds to each block: size and front guard, back guard.
constexpr uint32_t kGuardOverhead = 12;

// Each operation takes the caller's source tag; the caller's line comes by
// itself. The allocator's reports name both.
//
// Returns n usable bytes, or null when the heap itself has none left (the
// counters are then left as they were). Callers check for null.
void* GuardedAlloc(Terminal& t, uint32_t n, const char* file, CallSite where = CallSite::current());
void* GuardedCalloc(Terminal& t, uint32_t count, uint32_t size, const char* file,
                    CallSite where = CallSite::current());
// Always moves the block. copy_count is cut to the smaller of the two blocks.
void* GuardedRealloc(Terminal& t, void* old, uint32_t copy_count, uint32_t n, const char* file,
                     CallSite where = CallSite::current());
void GuardedFree(Terminal& t, void* p, const char* file, CallSite where = CallSite::current());

// Copies a zero-terminated or counted text into a fresh guarded block of
// length + 1 bytes, zero-terminated.
char* GuardedCopy(Terminal& t, const char* bytes, int32_t length, const char* file,
                  CallSite where = CallSite::current());

}  // namespace marl
