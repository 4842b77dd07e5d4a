// A host-defined screen: its formatted text, its fields and their values.
#pragma once

#include <cstdint>

#include "base/guarded_alloc.h"

namespace marl {

struct Terminal;

// Field flags: the type character after a field's backslash.
constexpr uint8_t kFieldPassword = 0x01;
constexpr uint8_t kFieldNumeric = 0x02;
constexpr uint8_t kFieldProtected = 0x04;
// Set on a table's entry field from its header's 0x40; nothing reads it.
constexpr uint8_t kFieldTableBit08 = 0x08;
constexpr uint8_t kFieldSendWhenFull = 0x10;
constexpr uint8_t kFieldScanOnly = 0x80;

// Form options: the header word of the record the form was built from. Some
// bits mean one thing for a field form and another for a table form.
constexpr uint32_t kOptionSkipProtected = 0x01;
constexpr uint32_t kOptionTableMinus = 0x02;
constexpr uint32_t kOptionTablePoint = 0x04;
constexpr uint32_t kOptionTableDigits = 0x08;
constexpr uint32_t kOptionUppercase = 0x08;  // field forms
constexpr uint32_t kOptionTableNoAutoSend = 0x10;
constexpr uint32_t kOptionTableShowEdits = 0x20;
constexpr uint32_t kOptionFullFieldMoves = 0x40;
constexpr uint32_t kOptionScanTab = 0x100;
constexpr uint32_t kOptionRowReply = 0x200;
constexpr uint32_t kOptionClearModified = 0x400;
constexpr uint32_t kOptionWrap = 0x800;
// On the current form: a new table form does not replace it. On showing a
// stored table: its form is built afresh. On a table form: upper case.
constexpr uint32_t kOptionKeepForm = 0x1000;
constexpr uint32_t kOptionRebuildTable = 0x1000;
constexpr uint32_t kOptionTableUppercase = 0x1000;
constexpr uint32_t kOptionBit2000 = 0x2000;
constexpr uint32_t kOptionShowBeep = 0x4000;
// The low four bits of a table form's options; 9 asks for the entry's Luhn
// check.
constexpr uint32_t kOptionCheckMask = 0x0F;
constexpr uint32_t kOptionLuhnCheck = 9;

struct FormField {
  int32_t row = 0;
  int32_t column = 0;
  int32_t modified = 0;
  uint8_t flags = 0;
  uint8_t attribute = 0;
  uint8_t reply_kind = ' ';
  uint8_t terminator = 0;
  int32_t width = 0;
  int32_t length = 0;
  int32_t label_offset = 0;
  int32_t data_offset = 0;
  int32_t data_len = 0;
  int32_t scroll = 0;
  char* buffer = nullptr;      // owned: the field's characters, padded to length
  char* saved_text = nullptr;  // owned: the cells under the field as first formatted
  int32_t navigation_skip = 0;
  int32_t strip = 0;
  char* scan_identifier = nullptr;  // owned or null
};

struct Form {
  char* form_text = nullptr;  // owned
  char* write_position = nullptr;
  int32_t capacity = 0;
  uint32_t header_bit_2000 = 0;
  uint32_t uppercase = 0;
  uint32_t show_beep = 0;
  int32_t form_id = -10;
  uint32_t is_table = 0;
  uint32_t table_bit_20 = 0;
  uint32_t table_bit_10 = 0;
  uint32_t options = 0;
  int32_t min_entry = 0;
  int32_t cursor_mark = 0;
  int32_t row_count = 0;
  int32_t column_count = 0;
  int32_t current_field = 0;
  int32_t cursor = 0;
  uint32_t format_result = 0;
  int32_t top_row = 0;
  int32_t table_first = 0;
  int32_t table_rows = 0;
  int32_t field_count = 0;
  FormField* fields = nullptr;  // owned array of field_count
};

// A form text that would grow beyond this stops formatting instead: a host
// can ask for a wide screen and then for many line ends, and the heap is not
// endless.
constexpr int32_t kMaxFormText = 1 << 24;

// Releases a form with its text, its fields' strings and its field array.
void FreeForm(Terminal& t, Form* form, const char* file, CallSite where = CallSite::current());

int32_t GetTerminalRows(Terminal& t);
int32_t GetTerminalCols(Terminal& t);
void SetTerminalRows(Terminal& t, int32_t rows);
void SetTerminalCols(Terminal& t, int32_t columns);

}  // namespace marl
