#include "input/scan.h"

#include <cstring>

#include "forms/form.h"
#include "input/field_edit.h"
#include "input/input_queue.h"
#include "input/key_processor.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

int32_t EndKeyFor(Form* form) {
  if (form->is_table) return (form->options & kOptionTableNoAutoSend) ? 0 : kKeyEnter;
  const FormField* f = CurrentField(form);
  if (f != nullptr && (f->flags & kFieldSendWhenFull)) return kKeyEnter;
  if (form->options & kOptionScanTab) return kKeyTab;
  return 0;
}

int32_t WidthOf(Form* form) {
  const FormField* f = CurrentField(form);
  return f != nullptr ? f->width : 0;
}

void MarkScanned(Form* form) {
  FormField* f = CurrentField(form);
  if (f != nullptr) f->reply_kind = 'S';
}

// A scan that carries the identifier of the form's first scan-identified
// field goes to that field, without the identifier's length at either end
// when the field asks for that. Returns whether it was routed.
bool RouteScan(Form* form, char* bytes, int32_t* n) {
  if (form->fields == nullptr) return false;
  for (int32_t i = 0; i < form->field_count; ++i) {
    FormField& f = form->fields[i];
    if (!f.navigation_skip) continue;
    const char* id = f.scan_identifier;
    if (id == nullptr) return false;
    const int32_t id_length = int32_t(std::strlen(id));
    if (id_length > *n) return false;
    bool found = false;
    for (int32_t at = 0; at + id_length <= *n && !found; ++at) {
      found = std::memcmp(bytes + at, id, size_t(id_length)) == 0;
    }
    if (!found) return false;
    form->current_field = i;
    form->cursor = 0;
    if (f.strip == 1) {
      const int32_t kept = *n - 2 * id_length > 0 ? *n - 2 * id_length : 0;
      std::memmove(bytes, bytes + id_length, size_t(kept));
      *n = kept;
      bytes[kept] = 0;
    }
    return true;
  }
  return false;
}

}  // namespace

void ProcessScan(Terminal& t, int32_t n, char* bytes, Form* form, int32_t rows, int32_t columns,
                 uint8_t label_type) {
  if (bytes == nullptr || n < 0) n = 0;
  if (IsWaitingForHost(t)) {
    QueueScan(t, n, bytes, label_type);
    return;
  }
  if (form == nullptr) return;
  const bool dialect = t.session.text_dialect == 1;
  const bool identified = t.forms.scan_identified != 0;

  int32_t end_key = EndKeyFor(form);
  const int32_t saved_field = form->current_field;
  const int32_t saved_cursor = form->cursor;

  bool routed = false;
  if (identified && form->field_count >= 1) routed = RouteScan(form, bytes, &n);

  if (dialect && form->current_field == saved_field) {
    FormField* f = CurrentField(form);
    if (f != nullptr && f->buffer != nullptr) {
      for (int32_t i = f->scroll + form->cursor; i >= 0 && i < f->length; ++i) f->buffer[i] = ' ';
    }
  }
  MarkScanned(form);
  int32_t scanned = form->current_field;

  int32_t last = -1;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t b = static_cast<uint8_t>(bytes[i]);
    if (!routed && (form->cursor >= WidthOf(form) || form->current_field != scanned)) {
      if (!dialect) {
        if (form->current_field != scanned && end_key == kKeyTab) end_key = 0;
        break;
      }
      if (form->current_field == scanned) {
        ProcessKey(t, kKeyTab, form, rows, columns, {.terminator = label_type, .from_scan = true});
      }
      const FormField* now = CurrentField(form);
      if (end_key != kKeyEnter && now != nullptr && (now->flags & kFieldSendWhenFull)) {
        end_key = kKeyEnter;
      }
      if (form->current_field == scanned) {
        form->cursor = WidthOf(form);
        break;
      }
      scanned = form->current_field;
      MarkScanned(form);
    }
    const int32_t before = form->current_field;
    last = b;
    if (!(dialect && b == kKeyTab)) {
      ProcessKey(t, b, form, rows, columns, {.terminator = label_type, .from_scan = true});
      if (IsWaitingForHost(t)) {
        end_key = 0;
        break;
      }
    }
    if (form->current_field != before && end_key != kKeyEnter) end_key = 0;
  }

  if (identified) {
    form->current_field = saved_field;
    form->cursor = saved_cursor;
  }
  if (last != kKeyEnter && last != kKeyLineFeed && end_key != 0 && !identified) {
    ProcessKey(t, end_key, form, rows, columns, {.from_scan = true});
  }
  if (identified) {
    const FormField* f = CurrentField(form);
    if (f != nullptr) {
      if (f->attribute & 0x0D) t.screen.cell_width = kNarrowCellWidth;
      SetCursor(t, f->row, f->column + form->cursor);
    }
  }
}

}  // namespace marl
