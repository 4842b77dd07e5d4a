#include "forms/form_builder.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/guarded_alloc.h"
#include "base/host_record.h"
#include "base/session.h"
#include "forms/banks.h"
#include "forms/form.h"
#include "forms/form_format.h"
#include "forms/table_slots.h"
#include "link/status_reply.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr const char* kSource = "forms";

Form* NewForm(Terminal& t, int32_t rows, int32_t columns) {
  void* block = GuardedCalloc(t, 1, sizeof(Form), kSource);
  if (block == nullptr) return nullptr;
  auto* form = new (block) Form();
  // One blank to start with: the first byte written takes its place.
  form->form_text = static_cast<char*>(GuardedCalloc(t, 3, 1, kSource));
  if (form->form_text == nullptr) {
    GuardedFree(t, form, kSource);
    return nullptr;
  }
  form->form_text[0] = ' ';
  form->capacity = 3;
  form->text_allocated = 3;
  form->write_position = form->form_text;
  form->row_count = rows > 0 ? rows : 0;
  // A screen without columns still gets forms one column wide, so that no
  // row arithmetic divides by zero.
  form->column_count = columns > 0 ? columns : 1;
  form->cursor_mark = 0;
  return form;
}

// Adds a zeroed field at the end of the form's fields; null when the heap
// has no room. The array doubles when full, so building a form stays
// linear in its fields.
FormField* AppendField(Terminal& t, Form* form) {
  const uint64_t count = uint64_t(form->field_count) + 1;
  if (count * sizeof(FormField) > uint64_t(kMaxFormText)) return nullptr;
  const uint64_t held = uint64_t(std::max(form->field_capacity, form->field_count));
  if (count > held) {
    const uint64_t room =
        std::min<uint64_t>(std::max<uint64_t>(4, 2 * held), kMaxFormText / sizeof(FormField));
    auto* fields =
        static_cast<FormField*>(GuardedRealloc(t, form->fields, uint32_t(held * sizeof(FormField)),
                                               uint32_t(room * sizeof(FormField)), kSource));
    if (fields == nullptr) return nullptr;
    form->fields = fields;
    form->field_capacity = int32_t(room);
  }
  FormField* field = new (&form->fields[form->field_count]) FormField();
  form->field_count++;
  return field;
}

int32_t UsedBytes(const Form* form) {
  return int32_t(form->write_position - form->form_text);
}

void PlaceField(FormField& field, int32_t columns) {
  field.row = field.data_offset / columns;
  field.column = field.data_offset % columns;
}

// The field's data: "|S" or "|I" followed by an identifier and "|~" marks a
// field that scans are routed to by that identifier.
const char* ReadScanIdentifier(Terminal& t, FormField& field, const char* data) {
  if (data[0] != '|' || (data[1] != 'S' && data[1] != 'I')) return data;
  field.navigation_skip = 1;
  field.strip = data[1] == 'S' ? 1 : 0;
  t.forms.scan_identified = true;
  const char* end = std::strstr(data + 2, "|~");
  if (end == nullptr) {
    field.navigation_skip = 0;
    field.strip = 0;
    t.forms.scan_identified = false;
    return data;
  }
  field.scan_identifier = GuardedCopy(t, data + 2, int32_t(end - (data + 2)), kSource);
  return end + 2;
}

}  // namespace

int32_t FormatFormText(Terminal& t, int32_t length, const char* text, Form* form, int32_t control,
                       int32_t value_mode) {
  int32_t total = 0;
  int32_t mark = 0;
  const int32_t result = FormatText(t, length, text, &form->write_position, &total, &mark,
                                    form->column_count, control, form, value_mode);
  form->format_result = uint32_t(result);
  form->cursor_mark = mark;
  return result;
}

const char* ParseFormText(Terminal& t, Form* form, const char* text, int32_t table_switch) {
  FormsState& s = t.forms;
  t.screen.runs.Clear();
  t.screen.run_count = 1;
  s.scan_identified = false;
  s.hex_mode = false;

  if (*text == '\\') ++text;
  const char* segment = text;
  const char* p = text;
  while (*p != 0) {
    if (*p != '\\' || table_switch) {
      ++p;
      continue;
    }
    const int32_t label_start = UsedBytes(form);
    if (AppendField(t, form) == nullptr) break;
    const int32_t index = form->field_count - 1;
    form->current_field = index;
    FormatFormText(t, int32_t(p - segment), segment, form, 0, kValueTextOnly);

    // Formatting may move the fields' storage; take the field afresh.
    FormField* field = &form->fields[index];
    field->label_offset = label_start;
    field->data_offset = UsedBytes(form);
    PlaceField(*field, form->column_count);
    field->flags = static_cast<uint8_t>(p[1]);
    field->reply_kind = ' ';
    const char* data = p[1] != 0 ? p + 2 : p + 1;
    data = ReadScanIdentifier(t, *field, data);
    const char* end = data;
    while (*end != 0 && *end != '\\') ++end;
    FormatFormText(t, int32_t(end - data), data, form, 0, kValueTextAndField);

    field = &form->fields[index];
    field->width = UsedBytes(form) - field->data_offset;
    if (field->length == 0) field->length = field->width;
    field->saved_text = GuardedCopy(t, form->form_text + field->data_offset, field->width, kSource);
    field->data_len = 0;
    for (int32_t i = field->width - 1; field->saved_text != nullptr && i >= 0; --i) {
      if (field->saved_text[i] != ' ') {
        field->data_len = i + 1;
        break;
      }
    }
    p = *end == '\\' ? end + 1 : end;
    segment = p;
  }
  // Text after the last field is formatted like a label: taking it as the
  // last field's value would send it back to the host as if the user had
  // typed it, and stretch the field to its length.
  if (p > segment) {
    FormatFormText(t, int32_t(p - segment), segment, form, table_switch, kValueTextOnly);
  }
  return p;
}

void ApplyRecordHeader(Terminal&, Form* form, const HostRecord* record) {
  const uint32_t word = record->header_word;
  form->show_beep = word & kOptionShowBeep;
  form->header_bit_2000 = word & kOptionBit2000;
  form->current_field = record->header_values[2];
  if (form->is_table) {
    form->uppercase = word & kOptionTableUppercase;
  } else {
    form->uppercase = word & kOptionUppercase;
  }
  // Keys act on fields[current_field]: it must name a field, or 0 when there
  // is none yet.
  if (form->current_field > form->field_count - 1) form->current_field = form->field_count - 1;
  if (form->current_field < 0) form->current_field = 0;
  form->options = word;
  form->min_entry = record->header_values[0];
  form->top_row = 0;
}

Form* BuildForm(Terminal& t, HostRecord* record, int32_t length, char* text, int32_t rows,
                int32_t columns) {
  int32_t expanded_length = length;
  const char* expanded = ExpandBankRefs(t, &expanded_length, text);
  if (expanded == nullptr) return nullptr;
  if (expanded_length < 0) expanded_length = 0;
  // A private copy: the expansion may live in a shared work buffer, and the
  // record's own text is not ours to change.
  char* copy = GuardedCopy(t, expanded, expanded_length, kSource);
  if (copy == nullptr) return nullptr;
  if (expanded_length > 0 &&
      (copy[expanded_length - 1] == '\n' || copy[expanded_length - 1] == '\r')) {
    copy[expanded_length - 1] = 0;
  }

  Form* form = NewForm(t, rows, columns);
  if (form == nullptr) {
    GuardedFree(t, copy, kSource);
    return nullptr;
  }
  ApplyRecordHeader(t, form, record);

  const char* p = copy;
  if (*p == '\\') {
    ++p;
    if (*p == '\\') {
      ++p;
      while (*p != 0 && *p != '\\') ++p;
      if (*p == '\\') ++p;
    }
  } else if (!record->table_switch) {
    SendStatus(t, kStatusSyntax);
    FreeForm(t, form, kSource);
    GuardedFree(t, copy, kSource);
    return nullptr;
  }
  ParseFormText(t, form, p, int32_t(record->table_switch));
  GuardedFree(t, copy, kSource);

  form->cursor = 0;
  if (record->table_switch) {
    // The table handlers give the form its one entry field; until then it
    // has a blank one, so that no reader finds a field count without fields.
    if (form->field_count == 0) AppendField(t, form);
    form->field_count = form->fields != nullptr ? 1 : 0;
    form->current_field = 0;
  } else {
    const int32_t initial = record->header_values[2];
    form->current_field = initial < form->field_count ? initial : form->field_count - 1;
    if (form->current_field < 0) form->current_field = 0;
  }
  return form;
}

Form* BuildRecordForm(Terminal& t, HostRecord* record, const ScreenEnvironment& environment) {
  Form* old = record->form;
  record->form = nullptr;
  char* command = record->command != nullptr ? record->command : record->text + kRecordPrefix;
  Form* form = BuildForm(t, record, int32_t(std::strlen(command)), command, environment.rows,
                         environment.columns);
  t.forms.last_built = form;
  ClearWaitingForHost(t);
  if (form == nullptr) {
    // A refused text leaves the record with the form it had.
    record->form = old;
    return nullptr;
  }
  HostRecord* slot = GetTableSlot(t, record->count);
  if (slot != nullptr) {
    if (slot != record) {
      FreeForm(t, slot->form, kSource);
    }
    slot->form = form;
    form->form_id = record->count;
  } else {
    form->form_id = -10;
    record->form = form;
  }
  // The form it replaces belonged to this record and nobody else.
  if (old != nullptr && old != form) FreeForm(t, old, kSource);
  return form;
}

}  // namespace marl
