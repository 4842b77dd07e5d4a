#include "commands/tables.h"

#include <cstring>
#include <new>

#include "base/guarded_alloc.h"
#include "base/terminal_config.h"
#include "commands/commands.h"
#include "commands/records.h"
#include "forms/form.h"
#include "forms/form_builder.h"
#include "forms/form_display.h"
#include "input/input_queue.h"
#include "link/status_reply.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr const char* kSource = "table";
bool InSlotRange(int32_t number) {
  return number >= 0 && number < kTableSlots;
}

// The record's arguments: the command text after its letter.
const char* Arguments(const HostRecord* record) {
  return record->command != nullptr ? record->command : record->text + kRecordPrefix;
}

void ShowNewTableForm(Terminal& t, HostRecord* record, Form* form) {
  MakeEntryField(t, record, form);
  PadTableText(t, form);
  SetCurrentForm(t, form);
  ShowForm(t, form);
  DrainInputQueue(t, form, form->row_count, form->column_count);
}

}  // namespace

void ReleaseAllTables(Terminal& t) {
  for (HostRecord*& slot : t.tables.slots) {
    FreeHostRecord(t, slot);
    slot = nullptr;
  }
}

void ReleaseTableForms(Terminal& t) {
  FreeForm(t, t.tables.table_form, kSource);
  FreeForm(t, t.tables.slash_form, kSource);
  FreeHostRecord(t, t.tables.pending_slash);
  t.tables.table_form = nullptr;
  t.tables.slash_form = nullptr;
  t.tables.pending_slash = nullptr;
}

void CopyRecordHeader(HostRecord* target, const HostRecord* source) {
  target->header_word = source->header_word;
  for (int i = 0; i < 6; ++i) target->header_values[i] = source->header_values[i];
}

void MakeEntryField(Terminal& t, HostRecord* record, Form* form) {
  if (form->fields != nullptr) {
    for (int32_t i = 0; i < form->field_count; ++i) {
      GuardedFree(t, form->fields[i].buffer, kSource);
      GuardedFree(t, form->fields[i].saved_text, kSource);
      GuardedFree(t, form->fields[i].scan_identifier, kSource);
    }
    GuardedFree(t, form->fields, kSource);
  }
  form->field_count = 0;
  form->cursor = 0;
  form->current_field = 0;
  void* block = GuardedCalloc(t, 1, sizeof(FormField), kSource);
  form->fields = block != nullptr ? new (block) FormField() : nullptr;
  if (form->fields == nullptr) return;
  form->field_count = 1;
  FormField& field = form->fields[0];

  // A cursor-mark escape in the text places the entry; otherwise the header.
  int32_t p = form->cursor_mark != 0 ? form->cursor_mark : record->header_values[2];
  if (p < 0) p = 0;
  const uint32_t word = record->header_word;
  int32_t width = record->header_values[0] > record->header_values[1] ? record->header_values[0]
                                                                      : record->header_values[1];
  if (width == 0) width = 3;
  field.width = width;
  field.length = width;
  field.buffer = static_cast<char*>(GuardedCalloc(t, uint32_t(width) + 1, 1, kSource));
  field.saved_text = static_cast<char*>(GuardedCalloc(t, uint32_t(width) + 1, 1, kSource));
  field.data_offset = p;
  field.label_offset = 0;
  const int32_t needed = p + width + 1;
  if (form->capacity <= needed) {
    const int32_t size = form->capacity + needed;
    auto* text = static_cast<char*>(
        GuardedRealloc(t, form->form_text, uint32_t(form->capacity), uint32_t(size), kSource));
    if (text != nullptr) {
      std::memset(text + form->capacity, 0, size_t(size - form->capacity));
      form->write_position = text + (form->write_position - form->form_text);
      form->form_text = text;
      form->capacity = size;
      form->text_allocated = size;
    }
  }
  if (field.saved_text != nullptr && form->capacity > needed) {
    std::memcpy(field.saved_text, form->form_text + p, size_t(width));
  }
  const int32_t columns = form->column_count > 0 ? form->column_count : 1;
  field.row = p / columns;
  field.column = p % columns;

  form->is_table = 1;
  form->table_bit_20 = word & kOptionEmptySlot;
  form->table_bit_10 = word & kOptionReleaseAllTables;
  form->options = word;
  field.data_len = 0;
  field.flags = 0;
  if (word & kOptionTableDigits) field.flags |= kFieldNumeric;
  if (word & kOptionFullFieldMoves) field.flags |= kFieldTableBit08;
  if (!(word & kOptionTableNoAutoSend)) field.flags |= kFieldSendWhenFull;

  // The table handler owns the form from here on, wherever it was attached.
  if (record->form == form) record->form = nullptr;
  if (HostRecord* slot = GetTableSlot(t, form->form_id); slot != nullptr && slot->form == form) {
    slot->form = nullptr;
  }
  form->form_id = -10;
}

void PadTableText(Terminal& t, Form* form) {
  if (form->fields == nullptr || form->field_count < 1) return;
  const FormField& entry = form->fields[0];
  const int32_t columns = form->column_count > 0 ? form->column_count : 1;
  const int32_t length = int32_t(std::strlen(form->form_text));
  const int32_t width = entry.width;
  form->table_first = entry.row;
  form->table_rows = form->row_count;
  const int64_t needed = int64_t(columns) + length + width + 1;
  if (needed > int64_t(kMaxFormText) * 2) return;
  if (form->capacity < needed) {
    auto* text = static_cast<char*>(
        GuardedRealloc(t, form->form_text, uint32_t(form->capacity), uint32_t(needed), kSource));
    if (text == nullptr) return;
    std::memset(text + form->capacity, 0, size_t(needed - form->capacity));
    form->write_position = text + (form->write_position - form->form_text);
    form->form_text = text;
    form->capacity = int32_t(needed);
    form->text_allocated = int32_t(needed);
  }
  std::memset(form->form_text + length, ' ', size_t(width));
  form->form_text[length + width] = 0;
  const int32_t quotient = (length + width) / columns;
  const int32_t remainder = (length + width) % columns;
  if (quotient > form->row_count) {
    form->row_count = quotient + (remainder != 0 ? 1 : 0);
    if (remainder != 0) {
      const int32_t end = form->row_count * columns;
      std::memset(form->form_text + length + width, ' ', size_t(end - length - width));
      form->form_text[end] = 0;
    }
  }
}

namespace {

// A table body's markup is checked before anything changes; a bad one is
// answered and the record released. Returns false then.
bool TableBodyPasses(Terminal& t, HostRecord* record) {
  const int32_t code = CheckArguments(t, record->text + kRecordPrefix, nullptr, 0);
  if (code == kStatusSuccess) return true;
  SendStatus(t, code);
  FreeHostRecord(t, record);
  return false;
}

}  // namespace

Form* ShowTableText(Terminal& t, HostRecord* record, const ScreenEnvironment& environment) {
  if (!TableBodyPasses(t, record)) return nullptr;
  FreeForm(t, t.tables.table_form, kSource);
  t.tables.table_form = nullptr;
  // The table text's own commands must not answer the host.
  SetStatusReplies(t, false);
  record->table_switch = 1;
  record->count = -1;  // a table text names no slot
  Form* form = BuildRecordForm(t, record, environment);
  t.tables.table_form = form;
  if (form != nullptr) {
    ClearWaitingForHost(t);
    ShowNewTableForm(t, record, form);
  }
  SetStatusReplies(t, true);
  FreeHostRecord(t, record);
  return t.tables.table_form;
}

Form* HandleSlashRecord(Terminal& t, HostRecord* record, const ScreenEnvironment& environment) {
  if (!TableBodyPasses(t, record)) return nullptr;
  TableState& s = t.tables;
  record->table_switch = 1;
  record->count = -1;  // a '/' part names no slot
  ClearWaitingForHost(t);
  char* body = record->text + kRecordPrefix;
  const char part = body[1];
  // Past '/' and the part letter; a body of '/' alone stops at its end.
  record->command = body + (part != 0 ? 2 : 1);

  if (part == 'F') {
    FreeHostRecord(t, s.pending_slash);
    s.pending_slash = record;
    SendStatus(t, kStatusSuccess);
    return s.slash_form;
  }
  if (part != 'M' && part != 'L') {
    FreeHostRecord(t, record);
    SendStatus(t, kStatusFailure);
    return s.slash_form;
  }

  if (s.pending_slash != nullptr) {
    HostRecord* pending = s.pending_slash;
    CopyRecordHeader(pending, record);
    // The parts join at the pending text's zero byte: a part that was the
    // last record of its block counts that zero in its length.
    const size_t kept = kRecordPrefix + std::strlen(pending->text + kRecordPrefix);
    const size_t added = std::strlen(record->command);
    const size_t total = kept + added;
    char* text = total < size_t(kMaxFormText)
                     ? static_cast<char*>(GuardedCalloc(t, uint32_t(total) + 1, 1, kSource))
                     : nullptr;
    HostRecord* joined = nullptr;
    if (text != nullptr) {
      std::memcpy(text, pending->text, kept);
      std::memcpy(text, record->text, kRecordPrefix);
      std::memcpy(text + kept, record->command, added);
      joined = CloneHostRecord(t, int32_t(total), text, pending);
      GuardedFree(t, text, kSource);
    }
    if (joined != nullptr && joined->text != nullptr) {
      joined->form = nullptr;  // the pending record keeps no form; none is shared
      FreeHostRecord(t, pending);
      s.pending_slash = joined;
    } else {
      FreeHostRecord(t, joined);
    }
    FreeHostRecord(t, record);
  } else {
    s.pending_slash = record;
  }

  if (part == 'M') {
    SendStatus(t, kStatusSuccess);
    return s.slash_form;
  }

  FreeForm(t, s.slash_form, kSource);
  s.slash_form = nullptr;
  HostRecord* pending = s.pending_slash;
  s.pending_slash = nullptr;
  Form* form = BuildRecordForm(t, pending, environment);
  if (form != nullptr) {
    s.slash_form = form;
    ShowNewTableForm(t, pending, form);
    ClearWaitingForHost(t);
  }
  FreeHostRecord(t, pending);
  return s.slash_form;
}

int32_t StoreTable(Terminal& t, HostRecord* record, Form** out) {
  *out = nullptr;
  const char* arguments = Arguments(record);
  if (arguments[0] != '\\') {
    FreeHostRecord(t, record);
    return kStatusSyntax;
  }
  int32_t backslashes = 0;
  for (const char* p = arguments; *p != 0; ++p) backslashes += *p == '\\';
  const size_t arguments_length = std::strlen(arguments);
  const bool ends_with_backslash = arguments[arguments_length - 1] == '\\';
  if (backslashes % 2 != 0 && !(backslashes >= 3 && ends_with_backslash)) {
    FreeHostRecord(t, record);
    return kStatusOpenString;
  }

  int32_t n = 0;
  if (InSlotRange(record->count)) {
    n = record->count;
    record->table_switch = 0;
    if (record->header_word & kOptionReleaseAllTables) ReleaseAllTables(t);
    if (record->header_word & kOptionEmptySlot) {
      FreeHostRecord(t, t.tables.slots[n]);
      t.tables.slots[n] = nullptr;
    }
  }
  HostRecord* stored = t.tables.slots[n];
  if (stored == nullptr) {
    t.tables.slots[n] = record;
    return kStatusSuccess;
  }

  // The new definition extends the stored one: its fields follow the
  // stored fields, in the stored form too when there is one.
  if (stored->form != nullptr) {
    ParseFormText(t, stored->form, arguments, 0);
    ApplyRecordHeader(t, stored->form, record);
    *out = stored->form;
  }
  const size_t prefix = size_t(arguments - record->text);
  const char* stored_arguments = Arguments(stored);
  const size_t stored_length = std::strlen(stored_arguments);
  const size_t total = prefix + stored_length + arguments_length;
  if (total >= size_t(kMaxFormText)) {
    FreeHostRecord(t, record);
    return kStatusNoRoom;
  }
  auto* text = static_cast<char*>(GuardedCalloc(t, uint32_t(total) + 1, 1, kSource));
  if (text == nullptr) {
    FreeHostRecord(t, record);
    return kStatusFailure;
  }
  std::memcpy(text, record->text, prefix);
  std::memcpy(text + prefix, stored_arguments, stored_length);
  std::memcpy(text + prefix + stored_length, arguments, arguments_length);
  HostRecord* merged = CloneHostRecord(t, int32_t(total), text, record);
  GuardedFree(t, text, kSource);
  if (merged == nullptr || merged->text == nullptr) {
    FreeHostRecord(t, merged);
    FreeHostRecord(t, record);
    return kStatusFailure;
  }
  merged->form = stored->form;
  stored->form = nullptr;
  record->form = nullptr;
  t.tables.slots[n] = merged;
  FreeHostRecord(t, stored);
  FreeHostRecord(t, record);
  return kStatusSuccess;
}

Form* ShowStoredTable(Terminal& t, int32_t number, const ScreenEnvironment& environment, Form*,
                      uint32_t header_word, HostRecord* record) {
  HostRecord* stored = GetTableSlot(t, number);
  if (stored == nullptr) {
    SendStatus(t, kStatusBadNumber);
    return nullptr;
  }
  Form* form = stored->form;
  if (form != nullptr && !(header_word & kOptionRebuildTable)) {
    // Shown again as the user left it.
    if (record != nullptr) ApplyRecordHeader(t, form, record);
    if ((header_word & kOptionClearModified) && form->fields != nullptr) {
      for (int32_t i = 0; i < form->field_count; ++i) form->fields[i].modified = 0;
    }
    form->cursor = 0;
    SetCurrentForm(t, form);
    ShowForm(t, form);
    DrainInputQueue(t, form, form->row_count, form->column_count);
    ClearWaitingForHost(t);
    return form;
  }
  if (record != nullptr && record != stored) {
    stored->header_word = record->header_word;
    for (int i = 0; i < 3; ++i) stored->header_values[i] = record->header_values[i];
  }
  form = BuildAndShowRecord(t, stored, environment);
  if (form != nullptr) form->form_id = number;
  return form;
}

Form* ShowRecordTable(Terminal& t, HostRecord* record, const ScreenEnvironment& environment,
                      Form* current) {
  record->table_switch = 0;
  return ShowStoredTable(t, record->count, environment, current, record->header_word, record);
}

Form* BuildAndShowRecord(Terminal& t, HostRecord* record, const ScreenEnvironment& environment) {
  Form* form = BuildRecordForm(t, record, environment);
  if (form != nullptr) {
    ShowForm(t, form);
    DrainInputQueue(t, form, form->row_count, form->column_count);
  }
  ClearWaitingForHost(t);
  return form;
}

}  // namespace marl
