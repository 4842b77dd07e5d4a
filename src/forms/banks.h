// The host's string banks: texts that form records refer to by number, and
// the work buffer that the bank expansion shares with the preparser.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct HostRecord;
struct ScreenEnvironment;

constexpr int32_t kBankCount = 100;
constexpr int32_t kWorkBufferSize = 4096;

struct BankState {
  char* slots[kBankCount] = {};  // owned, guarded (banks)
  // Shared by the preparser and ExpandBankRefs, each within one call. `work`
  // stays null until the first text-dialect record points it at the buffer;
  // until then bank references are left as they stand.
  char work_buffer[kWorkBufferSize] = {};
  char* work = nullptr;
};

void InitBanks(Terminal& t);
void FreeBanks(Terminal& t);
// Takes ownership of the record; always sends one status reply.
void BankCommand(Terminal& t, HostRecord* record, const ScreenEnvironment& environment);
// Returns the text with every bank reference replaced, and its length in
// *length; null after a bad reference or when the result would not fit the
// work buffer (a status reply has then been sent). Returns `text` itself,
// with *length untouched, while there is no work buffer.
char* ExpandBankRefs(Terminal& t, int32_t* length, char* text);

}  // namespace marl
