#include "base/guarded_alloc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr char kGuard[4] = {'H', 'E', 'A', 'P'};

uint32_t ReadSize(const unsigned char* header) {
  return uint32_t(header[0]) | uint32_t(header[1]) << 8 | uint32_t(header[2]) << 16 |
         uint32_t(header[3]) << 24;
}

void WriteSize(unsigned char* header, uint32_t n) {
  header[0] = n & 0xFF;
  header[1] = (n >> 8) & 0xFF;
  header[2] = (n >> 16) & 0xFF;
  header[3] = (n >> 24) & 0xFF;
}

// Returns true when the user chose to carry on (Cancel).
bool ReportDamage(Terminal& t, const char* format, const void* header, const char* file,
                  CallSite where) {
  if (t.hooks.heap_damage != nullptr) t.hooks.heap_damage(t);
  char text[256];
  std::snprintf(text, sizeof text, format, header, long(where.line()), file ? file : "");
  if (t.platform->MessageBox("Memory Error!", text, MessageBoxButtons::kOkCancel) ==
      MessageBoxAnswer::kCancel) {
    return true;
  }
  t.platform->Quit(0);
  return false;
}

}  // namespace

void* GuardedAlloc(Terminal& t, uint32_t n, const char*, CallSite) {
  // The heap's own failure is reported as null: the design never checked it,
  // and a null the caller tests for is better than a crash inside this file.
  auto* block = static_cast<unsigned char*>(std::malloc(size_t(n) + kGuardOverhead));
  if (block == nullptr) return nullptr;
  t.alloc.allocations++;
  t.alloc.bytes_in_use += int32_t(n);
  WriteSize(block, n);
  std::memcpy(block + 4, kGuard, 4);
  std::memcpy(block + 8 + n, kGuard, 4);
  if (t.alloc.bytes_in_use > t.alloc.peak) {
    t.alloc.peak = t.alloc.bytes_in_use;
    if (t.hooks.heap_peak != nullptr) t.hooks.heap_peak(t);
  }
  return block + 8;
}

void* GuardedCalloc(Terminal& t, uint32_t count, uint32_t size, const char* file, CallSite where) {
  uint64_t total = uint64_t(count) * size;
  if (total > UINT32_MAX - kGuardOverhead) return nullptr;
  void* p = GuardedAlloc(t, uint32_t(total), file, where);
  if (p != nullptr) std::memset(p, 0, size_t(total));
  return p;
}

void* GuardedRealloc(Terminal& t, void* old, uint32_t copy_count, uint32_t n, const char* file,
                     CallSite where) {
  void* p = GuardedAlloc(t, n, file, where);
  if (p == nullptr) return nullptr;
  if (old != nullptr) {
    uint32_t old_size = ReadSize(static_cast<unsigned char*>(old) - 8);
    uint32_t count = copy_count;
    if (count > old_size) count = old_size;
    if (count > n) count = n;
    std::memcpy(p, old, count);
    GuardedFree(t, old, file, where);
  }
  return p;
}

void GuardedFree(Terminal& t, void* p, const char* file, CallSite where) {
  if (p == nullptr) return;
  auto* header = static_cast<unsigned char*>(p) - 8;
  uint32_t n = ReadSize(header);
  t.alloc.releases++;
  t.alloc.bytes_in_use -= int32_t(n);
  if (std::memcmp(header + 4, kGuard, 4) != 0) {
    ReportDamage(t, "Buffer under run\n %p,\n detected at\n %ld in %s\n", header, file, where);
    return;  // Cancel keeps the block; after OK the program is ending.
  }
  if (std::memcmp(header + 8 + n, kGuard, 4) != 0) {
    ReportDamage(t, "Buffer over run %p,\n detected at\n %ld \nin %s\n", header, file, where);
    return;
  }
  // Stale pointers into a released block then find a cleared size and guard.
  std::memset(header, 0, n);
  std::free(header);
}

char* GuardedCopy(Terminal& t, const char* bytes, int32_t length, const char* file,
                  CallSite where) {
  if (length < 0) length = int32_t(std::strlen(bytes));
  auto* copy = static_cast<char*>(GuardedCalloc(t, uint32_t(length) + 1, 1, file, where));
  if (copy != nullptr && length > 0) std::memcpy(copy, bytes, size_t(length));
  return copy;
}

}  // namespace marl
