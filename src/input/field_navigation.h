// Moving between the fields of a form, and between the rows of a table form.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct Form;

// Return 1 when the current field changed, else 0.
int32_t NextField(Form* form);
int32_t PrevField(Form* form);
void SkipProtectedForward(Terminal& t, Form* form);
void SkipProtectedBackward(Terminal& t, Form* form);
// Tab and Down; Shift+Tab and Up.
void NextFieldOrRow(Terminal& t, Form* form);
void PrevFieldOrRow(Terminal& t, Form* form);

void SaveRowText(Form* form);
void RestoreRowText(Terminal& t, Form* form);
// 1 when the table entry may be sent.
int32_t CheckTableEntry(Form* form);
// The check character of `n` digits.
char LuhnCheckCharacter(const char* digits, int32_t n);

}  // namespace marl
