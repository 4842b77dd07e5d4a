// Editing the current field of the current form: typing, deleting, moving the
// cursor inside the field and scrolling a field longer than its window.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct Form;
struct FormField;

// The current field, or null when the form has none.
FormField* CurrentField(Form* form);
// Offset in the form text of the field's i-th cell (a field runs on into the
// next row), or -1 when that cell lies outside the text.
int64_t FieldCellOffset(const Form& form, const FormField& field, int32_t i);

// How a key came, and what it may do.
struct KeyOptions {
  // The character a typed character leaves in its field (a scan's label
  // type); 0 for none.
  int32_t terminator = 0;
  bool from_scan = false;
  // Typing skips the field's protection and validity checks.
  bool force = false;
};

void EnterCharacter(Terminal& t, Form* form, int32_t c, KeyOptions options);
void DeleteChar(Terminal& t, Form* form);
void BackspaceKey(Terminal& t, Form* form);
void DeleteKey(Terminal& t, Form* form);
void HomeKey(Terminal& t, Form* form);
void EndKey(Terminal& t, Form* form);
void CursorLeft(Terminal& t, Form* form);
void CursorRight(Terminal& t, Form* form);
void ClearField(Terminal& t, Form* form);

void RedrawField(Terminal& t, Form* form);
void ShiftRight(Form* form);
int32_t TrailingBlanks(const Form* form);

// Shows `shown` at the field cell `at` (drawing it only when `draw` is set
// and it changed) and stores `stored` in the form text and `shown` in the
// screen grid.
void PutFieldCell(Terminal& t, Form& form, const FormField& field, int64_t at, char stored,
                  char shown, bool draw);

}  // namespace marl
