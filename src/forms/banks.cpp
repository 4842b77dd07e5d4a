#include "forms/banks.h"

#include <cstring>

#include "base/chars.h"
#include "base/guarded_alloc.h"
#include "base/terminal_config.h"
#include "link/status_reply.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr const char* kSource = "banks";

}  // namespace

char* WorkBuffer(Terminal& t) {
  if (t.banks.work_buffer == nullptr)
    t.banks.work_buffer = std::make_unique<char[]>(kWorkBufferSize);
  return t.banks.work_buffer.get();
}

void ReleaseBank(Terminal& t, int32_t bank) {
  GuardedFree(t, t.banks.slots[bank], kSource);
  t.banks.slots[bank] = nullptr;
}

// Puts a copy of `length` bytes into the bank. Returns false when the heap
// had no room; the bank is then empty.
bool StoreBank(Terminal& t, int32_t bank, const char* bytes, int32_t length) {
  ReleaseBank(t, bank);
  t.banks.slots[bank] = GuardedCopy(t, bytes, length, kSource);
  return t.banks.slots[bank] != nullptr;
}

void InitBanks(Terminal& t) {
  for (char*& slot : t.banks.slots) slot = nullptr;
}

void FreeBanks(Terminal& t) {
  for (int32_t bank = 0; bank < kBankCount; ++bank) ReleaseBank(t, bank);
}

char* ExpandBankRefs(Terminal& t, int32_t* length, char* text) {
  char* out = t.banks.work;
  if (out == nullptr) return text;
  // The last byte of the buffer is kept for the terminating zero.
  const int32_t limit = kWorkBufferSize - 1;
  int32_t n = 0;
  int32_t status = kStatusSuccess;
  const char* p = text;
  while (*p != 0) {
    if (p[0] == '|' && p[1] == '|') {
      // An escaped bar: the 'D' after it is text, as the argument check and
      // the formatter read it.
      if (n + 2 > limit) {
        status = kStatusNoRoom;
        break;
      }
      out[n++] = *p++;
      out[n++] = *p++;
      continue;
    }
    if (p[0] == '|' && p[1] == 'D') {
      if (!IsDigit(p[2]) || !IsDigit(p[3])) {
        status = kStatusBadNumber;
        break;
      }
      const char* bank = t.banks.slots[(p[2] - '0') * 10 + (p[3] - '0')];
      if (bank == nullptr) {
        status = kStatusBadNumber;
        break;
      }
      // Bank strings go in as they stand: a reference inside one is not
      // expanded again.
      const int32_t size = int32_t(std::strlen(bank));
      if (n + size > limit) {
        status = kStatusNoRoom;
        break;
      }
      std::memcpy(out + n, bank, size_t(size));
      n += size;
      p += 4;
      continue;
    }
    if (n + 1 > limit) {
      status = kStatusNoRoom;
      break;
    }
    out[n++] = *p++;
  }
  if (status != 0) {
    // A bad reference is the host's mistake and is always reported, even
    // while a table text has the replies switched off. An expansion that
    // would pass the end of the work buffer is refused the same way, with
    // "does not fit": nothing is cut short, and no form is built from it.
    SetStatusReplies(t, true);
    SendStatus(t, status);
    return nullptr;
  }
  out[n] = 0;
  *length = n;
  return out;
}

}  // namespace marl
