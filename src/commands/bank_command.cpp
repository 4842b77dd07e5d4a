#include "commands/bank_command.h"

#include <cstring>

#include "base/chars.h"
#include "base/host_record.h"
#include "forms/banks.h"
#include "link/status_reply.h"
#include "terminal.h"

namespace marl {

namespace {

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
    if (bank >= kBankCount) return kStatusBadNumber;
    const char* end = segment;
    while (*end != 0 && *end != '\\') ++end;
    ReleaseBank(t, bank);
    if (end > segment) {
      if (!StoreBank(t, bank, segment, int32_t(end - segment))) return kStatusFailure;
      ++bank;
    }
    if (*end == 0) break;
    segment = end + 1;
  }
  return bank >= kBankCount ? kStatusBadNumber : kStatusSuccess;
}

// U '\' number '\' string.
int32_t UpdateBank(Terminal& t, const char* p) {
  if (*p != '\\') return kStatusSyntax;
  ++p;
  const int32_t bank = ReadBankNumber(p);
  if (bank < 0) return kStatusBadNumber;
  if (IsDigit(*p)) return kStatusBadNumber;
  if (*p != '\\') return kStatusSyntax;
  ++p;
  return StoreBank(t, bank, p, int32_t(std::strlen(p))) ? kStatusSuccess : kStatusFailure;
}

// E alone, or E '\' number '\'.
int32_t EraseBanks(Terminal& t, const char* p) {
  if (*p == 0) {
    FreeBanks(t);
    return kStatusSuccess;
  }
  if (*p != '\\') return kStatusSyntax;
  ++p;
  const int32_t bank = ReadBankNumber(p);
  if (bank < 0) return kStatusBadNumber;
  if (*p != '\\') return kStatusSyntax;
  ReleaseBank(t, bank);
  return kStatusSuccess;
}

}  // namespace

void BankCommand(Terminal& t, OwnedRecord record, const ScreenEnvironment&) {
  const char* p = record->command;
  int32_t status = kStatusSyntax;
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
  ReleaseAndReply(t, record, status);
}

}  // namespace marl
