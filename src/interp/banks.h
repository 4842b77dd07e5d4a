// The host's string banks: texts that form records refer to by number.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;

constexpr int32_t kBankCount = 100;

struct BankState {
  char* slots[kBankCount] = {};  // owned, guarded (banks)
};

void FreeBanks(Terminal& t);

}  // namespace marl
