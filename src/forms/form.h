// A host-defined screen: its formatted text, its fields and their values.
#pragma once

#include <cstdint>

#include "base/guarded_alloc.h"
#include "base/wire.h"

namespace marl {

struct Terminal;

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
  // The text's room as the formatter counts it; the block itself may be
  // larger (`text_allocated`), so that growing it stays linear.
  int32_t capacity = 0;
  int32_t text_allocated = 0;
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
  int32_t field_capacity = 0;   // fields the array has room for
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
