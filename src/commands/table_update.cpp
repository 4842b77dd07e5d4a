// The update commands of \U and \V: labels and data replaced inside a stored
// definition and inside its form.
#include <cstring>
#include <utility>

#include "base/chars.h"
#include "base/guarded_alloc.h"
#include "commands/records.h"
#include "commands/tables.h"
#include "forms/field_content.h"
#include "forms/form.h"
#include "forms/form_builder.h"
#include "link/status_reply.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr const char* kSource = "table";
// A data replacement the form refused: the commands end, and what was done
// before it is stored.
constexpr int32_t kDataRefused = -1;

const char* Arguments(const HostRecord* record) {
  return record->command != nullptr ? record->command : record->text + kRecordPrefix;
}

// One update command: '\', a field number, a letter and its new text.
struct Update {
  int32_t field = 0;
  char letter = 0;
  const char* label = nullptr;
  int32_t label_length = 0;
  const char* data = nullptr;  // the type byte, then the data
  int32_t data_length = 0;
};

const char* SkipToBackslash(const char* p) {
  while (*p != 0 && *p != '\\') ++p;
  return p;
}

// Reads the command at *p (a '\') and leaves *p at the '\' that ends its new
// text, or at the end. Returns 0 or the status of a malformed command.
int32_t ParseUpdate(const char** p, Update* u) {
  const char* c = *p + 1;
  if (!IsDigit(*c)) return kStatusSyntax;
  u->field = *c++ - '0';
  if (IsDigit(*c)) u->field = u->field * 10 + (*c++ - '0');
  if (u->field > 24) return kStatusFieldOutOfRange;
  u->letter = *c++;
  if (u->letter != 'I' && u->letter != 'P' && u->letter != 'F') return kStatusSyntax;
  if (u->letter != 'I') {
    u->label = c;
    c = SkipToBackslash(c);
    u->label_length = int32_t(c - u->label);
    if (u->letter == 'F') {
      // The new label ends at a '\'; the type byte and data follow it.
      if (*c != '\\') return kStatusSyntax;
      ++c;
    }
  }
  if (u->letter != 'P') {
    if (*c == 0 || *c == '\\') return kStatusSyntax;
    u->data = c;
    c = SkipToBackslash(c + 1);
    u->data_length = int32_t(c - u->data);
  }
  *p = c;
  return kStatusSuccess;
}

// Where field k's label and its type byte and data lie in a stored
// definition: a leading '\', then label '\' type-and-data '\' per field.
struct FieldSpans {
  int32_t label_start = 0;
  int32_t label_end = 0;
  int32_t data_start = 0;
  int32_t data_end = 0;
};

bool LocateField(const char* text, int32_t k, FieldSpans* spans) {
  const char* p = text;
  if (*p == '\\') ++p;
  for (int32_t i = 0; i < 2 * k; ++i) {
    p = SkipToBackslash(p);
    if (*p == 0) return false;
    ++p;
  }
  const char* label_end = SkipToBackslash(p);
  if (*label_end == 0) return false;
  spans->label_start = int32_t(p - text);
  spans->label_end = int32_t(label_end - text);
  spans->data_start = spans->label_end + 1;
  spans->data_end = int32_t(SkipToBackslash(label_end + 1) - text);
  return true;
}

// The two work buffers: `current` holds the definition as updated so far;
// each replacement is written into the other one, which then becomes current.
struct Work {
  char* current = nullptr;
  char* other = nullptr;
  int32_t prefix = 0;  // kind byte, header and command letter
  bool changed = false;

  const char* Definition() const { return current + prefix; }

  // Replaces [start, end) of the definition. False when the result would
  // not fit the buffer.
  bool Replace(int32_t start, int32_t end, const char* bytes, int32_t n) {
    const int32_t length = int32_t(std::strlen(Definition()));
    const int64_t result = int64_t(prefix) + length - (end - start) + n;
    if (result + 1 > kUpdateBufferSize) return false;
    std::memcpy(other, current, size_t(prefix + start));
    std::memcpy(other + prefix + start, bytes, size_t(n));
    std::memcpy(other + prefix + start + n, current + prefix + end, size_t(length - end) + 1);
    std::swap(current, other);
    changed = true;
    return true;
  }
};

// Runs every update command on the work buffers and, when a form is given,
// on the form. Returns 0, a status code, or kDataRefused.
int32_t RunUpdates(Terminal& t, Work& w, const char* commands, Form* form) {
  const char* p = commands;
  while (*p != 0) {
    Update u;
    if (const int32_t status = ParseUpdate(&p, &u); status != 0) return status;
    FieldSpans spans;
    if (!LocateField(w.Definition(), u.field, &spans)) return kStatusNoSuchField;
    if (u.label != nullptr) {
      if (form != nullptr && !SetFieldContent(t, form, u.label_length, u.label, 1, u.field)) {
        return kStatusNoRoom;
      }
      if (!w.Replace(spans.label_start, spans.label_end, u.label, u.label_length))
        return kStatusNoRoom;
      LocateField(w.Definition(), u.field, &spans);
    }
    if (u.data != nullptr) {
      if (form != nullptr && !SetFieldContent(t, form, u.data_length, u.data, 0, u.field)) {
        return kDataRefused;
      }
      if (!w.Replace(spans.data_start, spans.data_end, u.data, u.data_length)) return kStatusNoRoom;
    }
  }
  return kStatusSuccess;
}

}  // namespace

int32_t UpdateTable(Terminal& t, HostRecord* record) {
  HostRecord* stored = GetTableSlot(t, record->count);
  if (stored == nullptr) {
    FreeHostRecord(t, record);
    return kStatusBadNumber;
  }
  CopyRecordHeader(stored, record);
  const char* commands = Arguments(record);
  if (commands[0] != '\\') {
    FreeHostRecord(t, record);
    return kStatusSyntax;
  }
  Form* form = stored->form;
  if (form != nullptr) ApplyRecordHeader(t, form, record);

  Work w;
  w.prefix = int32_t(Arguments(stored) - stored->text);
  const int64_t stored_length = w.prefix + int64_t(std::strlen(Arguments(stored)));
  int32_t status = kStatusSuccess;
  // A stored definition longer than the work buffers is left as it is.
  if (stored_length + 1 > kUpdateBufferSize) status = kStatusNoRoom;
  if (status == kStatusSuccess) {
    w.current = static_cast<char*>(GuardedAlloc(t, kUpdateBufferSize, kSource));
    w.other = static_cast<char*>(GuardedAlloc(t, kUpdateBufferSize, kSource));
    if (w.current == nullptr || w.other == nullptr) status = kStatusFailure;
  }
  char* const first = w.current;
  char* const second = w.other;
  if (status == kStatusSuccess) {
    // A dry run first: a malformed command, a missing field or a definition
    // that outgrows the buffers changes neither the slot nor the form.
    std::memcpy(w.current, stored->text, size_t(stored_length));
    w.current[stored_length] = 0;
    status = RunUpdates(t, w, commands, nullptr);
  }
  if (status == kStatusSuccess) {
    w.current = first;
    w.other = second;
    w.changed = false;
    std::memcpy(w.current, stored->text, size_t(stored_length));
    w.current[stored_length] = 0;
    status = RunUpdates(t, w, commands, form);
    if (status == kDataRefused) status = kStatusSuccess;
  }
  if (status == kStatusSuccess && w.changed) {
    const int32_t length = int32_t(std::strlen(w.current + w.prefix)) + w.prefix;
    HostRecord* updated = CloneHostRecord(t, length, w.current, stored);
    if (updated != nullptr && updated->text != nullptr) {
      stored->form = nullptr;  // the updated record takes the form over
      t.tables.slots[record->count] = updated;
      FreeHostRecord(t, stored);
    } else {
      FreeHostRecord(t, updated);
      status = kStatusFailure;
    }
  }
  GuardedFree(t, first, kSource);
  GuardedFree(t, second, kSource);
  FreeHostRecord(t, record);
  return status;
}

Form* UpdateAndShowTable(Terminal& t, HostRecord* record, Form* current,
                         const ScreenEnvironment& environment) {
  record->table_switch = 0;
  if (GetTableSlot(t, record->count) == nullptr) {
    FreeHostRecord(t, record);
    SendStatus(t, kStatusBadNumber);
    return nullptr;
  }
  if (Arguments(record)[0] != '\\') {
    FreeHostRecord(t, record);
    SendStatus(t, kStatusSyntax);
    return nullptr;
  }
  const int32_t number = record->count;
  if (const int32_t status = UpdateTable(t, record); status != 0) {
    SendStatus(t, status);
    return nullptr;
  }
  // Shown by its slot number: a record stored without a count of its own
  // (slot 0) would not find its slot again through its count.
  HostRecord* stored = GetTableSlot(t, number);
  stored->table_switch = 0;
  return ShowStoredTable(t, number, environment, current, stored->header_word, stored);
}

}  // namespace marl
