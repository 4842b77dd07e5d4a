// The host's string banks: texts that form records refer to by number, and
// the work buffer that the bank expansion shares with the preparser.
#pragma once

#include <cstdint>

#include "forms/forms_state.h"

namespace marl {

struct Terminal;

void InitBanks(Terminal& t);
void FreeBanks(Terminal& t);
void ReleaseBank(Terminal& t, int32_t bank);
// Puts a copy of `length` bytes into the bank. Returns false when the heap
// had no room; the bank is then empty.
bool StoreBank(Terminal& t, int32_t bank, const char* bytes, int32_t length);
// Returns the text with every bank reference replaced, and its length in
// *length; null after a bad reference or when the result would not fit the
// work buffer (a status reply has then been sent). Returns `text` itself,
// with *length untouched, while there is no work buffer.
char* ExpandBankRefs(Terminal& t, int32_t* length, char* text);
// The work buffer, kWorkBufferSize bytes, zeroed when first taken.
char* WorkBuffer(Terminal& t);

}  // namespace marl
