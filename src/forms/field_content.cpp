#include "forms/field_content.h"

#include <cstring>

#include "base/guarded_alloc.h"
#include "forms/form.h"
#include "forms/form_format.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr const char* kSource = "forms";

void PlaceField(FormField& field, int32_t columns) {
  field.row = field.data_offset / columns;
  field.column = field.data_offset % columns;
}

}  // namespace

int32_t SetFieldContent(Terminal& t, Form* form, int32_t length, const char* text,
                        int32_t label_switch, int32_t k) {
  if (form == nullptr) return 0;
  const int32_t columns = form->column_count > 0 ? form->column_count : 1;
  int64_t size = int64_t(form->row_count) * columns;
  if (size < 1) size = 1;
  if (size > kMaxFormText) size = kMaxFormText;
  auto* scratch = static_cast<char*>(GuardedAlloc(t, uint32_t(size), kSource));
  if (scratch == nullptr) return 0;
  std::memset(scratch, ' ', size_t(size));
  scratch[size - 1] = 0;

  uint8_t type = 0;
  if (label_switch == 0 && length > 0) {
    type = static_cast<uint8_t>(text[0]);
    ++text;
    --length;
  }
  char* output = scratch;
  int32_t n = 0;
  int32_t mark = 0;
  form->format_result = uint32_t(
      FormatText(t, length, text, &output, &n, &mark, columns, 0, nullptr, kValueTextOnly));
  form->cursor_mark = mark;
  // Zero bytes take a cell without being written; the scratch holds no more
  // than it has room for.
  if (n > size - 1) n = int32_t(size - 1);
  if (n < 0) n = 0;
  scratch[n] = 0;

  // A field index equal to the field count names no field either: an
  // appended field would have no label, no place in the text and no width.
  if (k < 0 || k >= form->field_count || form->fields == nullptr) {
    GuardedFree(t, scratch, kSource);
    return 0;
  }
  FormField& field = form->fields[k];
  const int32_t text_length = int32_t(std::strlen(form->form_text));
  const int32_t start = label_switch ? field.label_offset : field.data_offset;
  const int32_t region = label_switch ? field.data_offset - field.label_offset : field.width;
  if (label_switch == 0) field.flags = type;
  if (start < 0 || region < 0 || start + region > text_length || n > region) {
    GuardedFree(t, scratch, kSource);
    return 0;
  }

  std::memcpy(form->form_text + start, scratch, size_t(n));
  if (label_switch == 0) {
    char* buffer = GuardedCopy(t, scratch, n, kSource);
    if (buffer != nullptr) {
      GuardedFree(t, field.buffer, kSource);
      field.buffer = buffer;
      field.length = n;
    }
  }

  const int32_t d = region - n;
  if (d > 0) {
    // The rest of the text closes up behind the shorter content.
    char* tail = form->form_text + start + region;
    std::memmove(tail - d, tail, size_t(text_length - (start + region)) + 1);
    std::memset(form->form_text + text_length - d + 1, 0, size_t(d));
    if (form->write_position - form->form_text >= start + region) form->write_position -= d;
    for (int32_t i = k + 1; i < form->field_count; ++i) {
      form->fields[i].label_offset -= d;
      form->fields[i].data_offset -= d;
      PlaceField(form->fields[i], columns);
    }
    if (label_switch) {
      field.data_offset -= d;
      PlaceField(field, columns);
    } else {
      // The field's cells end where the text now goes on: a width kept at
      // its old value would let typing run into the next label.
      field.width = n;
    }
  }
  GuardedFree(t, scratch, kSource);
  return 1;
}

}  // namespace marl
