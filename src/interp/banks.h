// The host's string banks: texts that form records refer to by number.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct HostRecord;
struct ScreenEnvironment;

constexpr int32_t kBankCount = 100;

struct BankState {
  char* slots[kBankCount] = {};  // owned, guarded (banks)
};

void InitBanks(Terminal& t);
void FreeBanks(Terminal& t);
// Takes ownership of the record; always sends one status reply.
void BankCommand(Terminal& t, HostRecord* record, const ScreenEnvironment& environment);
// Returns the text with every bank reference replaced, and its length in
// *length; null after a bad reference.
char* ExpandBankRefs(Terminal& t, int32_t* length, char* text);

}  // namespace marl
