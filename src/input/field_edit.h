// Editing the current field of the current form: typing, deleting, moving the
// cursor inside the field and scrolling a field longer than its window.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct Form;
struct FormField;

// Field flags.
constexpr uint8_t kFieldPassword = 0x01;
constexpr uint8_t kFieldNumeric = 0x02;
constexpr uint8_t kFieldProtected = 0x04;
constexpr uint8_t kFieldSendWhenFull = 0x10;
constexpr uint8_t kFieldScanOnly = 0x80;

// Form options.
constexpr uint32_t kOptionSkipProtected = 0x01;
constexpr uint32_t kOptionTableMinus = 0x02;
constexpr uint32_t kOptionTablePoint = 0x04;
constexpr uint32_t kOptionTableDigits = 0x08;
constexpr uint32_t kOptionTableNoAutoSend = 0x10;
constexpr uint32_t kOptionTableShowEdits = 0x20;
constexpr uint32_t kOptionFullFieldMoves = 0x40;
constexpr uint32_t kOptionScanTab = 0x100;
constexpr uint32_t kOptionRowReply = 0x200;
constexpr uint32_t kOptionWrap = 0x800;

// The current field, or null when the form has none.
FormField* CurrentField(Form* form);
// Offset in the form text of the field's i-th cell (a field runs on into the
// next row), or -1 when that cell lies outside the text.
int64_t FieldCellOffset(const Form& form, const FormField& field, int32_t i);

void EnterCharacter(Terminal& t, Form* form, int32_t c, int32_t terminator, int32_t from_scan,
                    int32_t force);
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
