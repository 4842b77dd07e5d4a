#include "commands/bank_command.h"

#include <cstring>

#include "base/host_record.h"
#include "forms/banks.h"
#include "link/status_reply.h"
#include "terminal.h"

namespace marl {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// One or two digits naming a bank. Returns the number, or -1 when there is
// no digit; *p is left on the byte after the digits read.
int32_t ReadBankNumber(const char*& p) {
  if (!IsDigit(*p)) return -1;
  int32_t n = *p++ - '0';
  if (IsDigit(*p)) n = n * 10 + (*p++ - '0');
  return n;
}

// '\' string '\' string ...: the segments fill the banks from 0 on; an empty
// segment empties the bank it stands on without moving on.
int32_t LoadBanks(Terminal& t, const char* text) {
  int32_t bank = 0;
  const char* segment = text;
  for (;;) {
    if (bank >= kBankCount) return 4;
    const char* end = segment;
    while (*end != 0 && *end != '\\') ++end;
    ReleaseBank(t, bank);
    if (end > segment) {
      if (!StoreBank(t, bank, segment, int32_t(end - segment))) return 1;
      ++bank;
    }
    if (*end == 0) break;
    segment = end + 1;
  }
  return bank >= kBankCount ? 4 : 0;
}

// U '\' number '\' string.
int32_t UpdateBank(Terminal& t, const char* p) {
  if (*p != '\\') return 9;
  ++p;
  const int32_t bank = ReadBankNumber(p);
  if (bank < 0) return 4;
  if (IsDigit(*p)) return 4;
  if (*p != '\\') return 9;
  ++p;
  return StoreBank(t, bank, p, int32_t(std::strlen(p))) ? 0 : 1;
}

// E alone, or E '\' number '\'.
int32_t EraseBanks(Terminal& t, const char* p) {
  if (*p == 0) {
    FreeBanks(t);
    return 0;
  }
  if (*p != '\\') return 9;
  ++p;
  const int32_t bank = ReadBankNumber(p);
  if (bank < 0) return 4;
  if (*p != '\\') return 9;
  ReleaseBank(t, bank);
  return 0;
}

}  // namespace

void BankCommand(Terminal& t, HostRecord* record, const ScreenEnvironment&) {
  const char* p = record->command;
  int32_t status = 9;
  switch (Upper(*p)) {
    case '\\':
      status = LoadBanks(t, p + 1);
      break;
    case 'U':
      status = UpdateBank(t, p + 1);
      break;
    case 'E':
      status = EraseBanks(t, p + 1);
      break;
    default:
      break;
  }
  FreeHostRecord(t, record);
  SendStatus(t, status);
}

}  // namespace marl
