#include "input/field_navigation.h"

#include "forms/form.h"
#include "forms/form_display.h"
#include "input/field_edit.h"
#include "input/form_reply.h"
#include "input/key_processor.h"
#include "input/toggles.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

bool HasFields(const Form* form) {
  return form != nullptr && form->fields != nullptr && form->field_count > 0;
}

bool Skipped(const Form& form, int32_t i) {
  return form.fields[i].navigation_skip != 0;
}

// The first field, from the start or from the end, that navigation may stop
// on; -1 when every field is skipped.
int32_t FirstStop(const Form& form) {
  for (int32_t i = 0; i < form.field_count; ++i) {
    if (!Skipped(form, i)) return i;
  }
  return -1;
}
int32_t LastStop(const Form& form) {
  for (int32_t i = form.field_count - 1; i >= 0; --i) {
    if (!Skipped(form, i)) return i;
  }
  return -1;
}

// Moves to `target`; a form whose every field is skipped stays where it is.
int32_t MoveTo(Form* form, int32_t from, int32_t target) {
  if (target < 0) {
    form->current_field = from;
    return 0;
  }
  form->current_field = target;
  form->cursor = 0;
  return 1;
}

bool Protected(const Form& form) {
  const int32_t i = form.current_field;
  return i >= 0 && i < form.field_count && (form.fields[i].flags & kFieldProtected);
}

void SkipProtected(Terminal& t, Form* form, int32_t (*step)(Form*)) {
  if (!HasFields(form)) return;
  const int32_t start = form->current_field;
  for (int32_t n = 0; n < 10 && (form->options & kOptionSkipProtected) && Protected(*form); ++n) {
    if (step(form) == 0 || form->current_field == start) break;
  }
  const FormField* f = CurrentField(form);
  if (f != nullptr) ScrollFormTo(t, form, f->row);
}

// The entry is long enough and its check character, if any, is right.
bool EntryComplete(Form* form) {
  return form->cursor >= form->min_entry && CheckTableEntry(form);
}

// Ends the table turn at the last (or first) row.
void SendOrRefuseEntry(Terminal& t, Form* form, int32_t code) {
  if (EntryComplete(form)) {
    SendFormReply(t, code, form);
    form->cursor = 0;
  } else {
    ErrorBeep(t);
  }
}

void MoveRow(Terminal& t, Form* form, int32_t row) {
  RestoreRowText(t, form);
  form->fields[0].row = row;
  SaveRowText(form);
  form->cursor = 0;
}

}  // namespace

int32_t NextField(Form* form) {
  if (form == nullptr) return 0;
  if (!HasFields(form)) {
    form->current_field = 0;
    return 0;
  }
  const int32_t from = form->current_field;
  int32_t i = from + 1;
  if (i < 0) i = 0;
  if (i < form->field_count) {
    while (i < form->field_count && Skipped(*form, i)) ++i;
    if (i == form->field_count) i = FirstStop(*form);
    return MoveTo(form, from, i);
  }
  if ((form->options & kOptionWrap) && !form->is_table) return MoveTo(form, from, FirstStop(*form));
  form->current_field = form->field_count - 1;
  return 0;
}

int32_t PrevField(Form* form) {
  if (form == nullptr) return 0;
  if (!HasFields(form)) {
    form->current_field = 0;
    return 0;
  }
  const int32_t from = form->current_field;
  int32_t i = from - 1;
  if (i >= form->field_count) i = form->field_count - 1;
  if (i >= 0) {
    while (i >= 0 && Skipped(*form, i)) --i;
    if (i < 0) i = LastStop(*form);
    return MoveTo(form, from, i);
  }
  if ((form->options & kOptionWrap) && !form->is_table) return MoveTo(form, from, LastStop(*form));
  form->current_field = 0;
  return 0;
}

void SkipProtectedForward(Terminal& t, Form* form) {
  SkipProtected(t, form, NextField);
}

void SkipProtectedBackward(Terminal& t, Form* form) {
  SkipProtected(t, form, PrevField);
}

void NextFieldOrRow(Terminal& t, Form* form) {
  if (form == nullptr) return;
  if (!form->is_table || !HasFields(form)) {
    NextField(form);
    SkipProtectedForward(t, form);
    return;
  }
  const int32_t r = form->fields[0].row;
  const bool at_end = r + 1 == form->table_first || form->table_first >= form->table_rows ||
                      (form->table_first == 0 && r == form->table_rows - 1);
  if (at_end && !(form->options & kOptionWrap)) {
    SendOrRefuseEntry(t, form, kKeyTab);
    form->cursor = 0;
    return;
  }
  MoveRow(t, form, r >= form->table_rows - 1 ? 0 : r + 1);
}

void PrevFieldOrRow(Terminal& t, Form* form) {
  if (form == nullptr) return;
  if (!form->is_table || !HasFields(form)) {
    PrevField(form);
    SkipProtectedBackward(t, form);
    return;
  }
  const int32_t r = form->fields[0].row;
  if (r == form->table_first && !(form->options & kOptionWrap)) {
    SendOrRefuseEntry(t, form, kKeyShiftTab);
    return;
  }
  MoveRow(t, form, r <= 0 ? form->table_rows - 1 : r - 1);
}

void SaveRowText(Form* form) {
  FormField* f = CurrentField(form);
  if (f == nullptr || f->saved_text == nullptr) return;
  // A table's saved text holds width + 1 bytes.
  int32_t i = 0;
  for (; i < f->width; ++i) {
    const int64_t at = FieldCellOffset(*form, *f, i);
    if (at < 0) break;
    f->saved_text[i] = form->form_text[at];
  }
  f->saved_text[i] = 0;
}

void RestoreRowText(Terminal& t, Form* form) {
  FormField* f = CurrentField(form);
  if (f == nullptr) return;
  for (int32_t i = 0; f->saved_text != nullptr && i < f->width; ++i) {
    if (f->saved_text[i] == 0) continue;
    const int64_t at = FieldCellOffset(*form, *f, i);
    if (at < 0) break;
    form->form_text[at] = f->saved_text[i];
    const int32_t column = int32_t(at % form->column_count);
    const int32_t row = ScrollFormTo(t, form, int32_t(at / form->column_count));
    if (row >= 0 && row < t.screen.rows && column < t.screen.columns) {
      UpdateRow(t, row, column, 1, &f->saved_text[i], f->attribute);
    }
  }
  f->data_len = 0;
  // What was typed on the row that is left must not show on the next one.
  if (f->buffer != nullptr) {
    for (int32_t i = 0; i < f->length; ++i) f->buffer[i] = 0;
  }
}

int32_t CheckTableEntry(Form* form) {
  if (form == nullptr || !form->is_table || !HasFields(form)) return 1;
  const FormField& f = form->fields[0];
  if (f.data_len < 1 || (form->options & kOptionCheckMask) != kOptionLuhnCheck) return 1;
  // A field's cells follow one another in the form text.
  const int64_t first = FieldCellOffset(*form, f, 0);
  if (first < 0) return 1;
  int32_t n = 1;
  while (n < f.data_len && FieldCellOffset(*form, f, n) >= 0) ++n;
  const char* entry = form->form_text + first;
  return LuhnCheckCharacter(entry, n - 1) == entry[n - 1] ? 1 : 0;
}

char LuhnCheckCharacter(const char* digits, int32_t n) {
  int32_t sum = 0;
  bool doubled = true;  // the rightmost digit is doubled
  for (int32_t i = n - 1; i >= 0; --i) {
    int32_t d = digits[i] & 0x0F;
    if (doubled) {
      d *= 2;
      if (d > 9) d -= 9;
    }
    sum += d;
    doubled = !doubled;
  }
  return sum % 10 == 0 ? '0' : char('0' + 10 - sum % 10);
}

}  // namespace marl
