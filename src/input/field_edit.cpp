#include "input/field_edit.h"

#include <cctype>

#include "forms/form.h"
#include "forms/form_display.h"
#include "input/field_navigation.h"
#include "input/form_reply.h"
#include "input/key_processor.h"
#include "input/toggles.h"
#include "platform/messages.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

bool IsBlank(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool Visible(const Form& form) {
  return !form.is_table || (form.options & kOptionTableShowEdits);
}

char Masked(const Form& form, const FormField& f, char c) {
  if ((f.flags & kFieldPassword) && Visible(form) && c != 0 && !IsBlank(c) && c != '_') return '*';
  return c;
}

bool AcceptedCharacter(const Form& form, const FormField& f, int32_t c) {
  const bool digit = c >= '0' && c <= '9';
  if (!form.is_table) {
    if (!(f.flags & kFieldNumeric)) return true;
    return digit || c == '.' || c == '-';
  }
  if (!(form.options & kOptionTableDigits)) return true;
  return digit || (c == '.' && (form.options & kOptionTablePoint)) ||
         (c == '-' && (form.options & kOptionTableMinus));
}

// A field that may be edited: it has a buffer holding its length.
FormField* EditableField(Form* form) {
  FormField* f = CurrentField(form);
  if (f == nullptr || f->buffer == nullptr || f->length <= 0) return nullptr;
  return f;
}

}  // namespace

FormField* CurrentField(Form* form) {
  if (form == nullptr || form->fields == nullptr) return nullptr;
  if (form->current_field < 0 || form->current_field >= form->field_count) return nullptr;
  return &form->fields[form->current_field];
}

int64_t FieldCellOffset(const Form& form, const FormField& field, int32_t i) {
  if (form.form_text == nullptr || form.column_count <= 0 || i < 0) return -1;
  const int64_t at = int64_t(field.row) * form.column_count + field.column + i;
  const int64_t cells = int64_t(form.row_count) * form.column_count;
  if (at < 0 || at >= cells || at >= int64_t(form.capacity) - 1) return -1;
  return at;
}

void PutFieldCell(Terminal& t, Form& form, const FormField& field, int64_t at, char stored,
                  char shown, bool draw) {
  ScreenState& s = t.screen;
  const int32_t column = int32_t(at % form.column_count);
  const int32_t row = ScrollFormTo(t, &form, int32_t(at / form.column_count));
  const bool on_screen = row >= 0 && row < s.rows && column < s.columns;
  if (draw && on_screen) {
    if (field.attribute & 0x0D) s.cell_width = kNarrowCellWidth;
    SetCursor(t, row, column);
    // A one-character text stays with its owner: this one lives on our stack.
    char one[2] = {shown, 0};
    DrawRequest& q = s.draw;
    q.text = one;
    q.length = 1;
    q.attribute = field.attribute;
    t.platform->SendMessage(kWmDrawText, reinterpret_cast<uintptr_t>(&q), 0);
    q.text = nullptr;
  }
  form.form_text[at] = stored;
  const int64_t cell = int64_t(row) * s.columns + column;
  if (on_screen && s.grid != nullptr && cell < int64_t(s.grid_rows) * s.grid_columns) {
    s.grid[cell] = shown;
  }
}

void RedrawField(Terminal& t, Form* form) {
  const FormField* f = EditableField(form);
  if (f == nullptr) return;
  const bool visible = Visible(*form);
  for (int32_t i = 0; i < f->width; ++i) {
    const int32_t index = f->scroll + i;
    if (index < 0 || index >= f->length) break;
    const char shown = Masked(*form, *f, f->buffer[index]);
    if (shown == 0) continue;
    const int64_t at = FieldCellOffset(*form, *f, i);
    if (at < 0) break;
    PutFieldCell(t, *form, *f, at, shown, shown, visible && shown != form->form_text[at]);
  }
}

int32_t TrailingBlanks(const Form* form) {
  const FormField* f = EditableField(const_cast<Form*>(form));
  if (f == nullptr) return 0;
  int32_t n = 0;
  for (int32_t i = f->length - 1; i > 0 && IsBlank(f->buffer[i]); --i) ++n;
  return n;
}

void ShiftRight(Form* form) {
  FormField* f = EditableField(form);
  if (f == nullptr) return;
  const int32_t from = form->is_table ? form->cursor : f->scroll + form->cursor;
  int32_t last = form->is_table ? f->data_len : f->length - 1;
  if (last > f->length - 1) last = f->length - 1;
  for (int32_t j = last; j > from && j > 0; --j) f->buffer[j] = f->buffer[j - 1];
}

void EnterCharacter(Terminal& t, Form* form, int32_t c, KeyOptions options) {
  KeyState& k = t.keys;
  FormField* f = EditableField(form);
  if (f == nullptr || ((f->flags & kFieldScanOnly) && !options.from_scan) || form->cursor < 0 ||
      form->cursor > f->width ||
      (k.insert_mode && f->data_len >= f->width && TrailingBlanks(form) == 0)) {
    ErrorBeep(t);
    return;
  }
  // Only character codes go into a field; and a cursor past the field's end
  // (after End) has no cell to type into.
  const int32_t index = f->scroll + form->cursor;
  if (c < 1 || c > 255 || index < 0 || index >= f->length) {
    ErrorBeep(t);
    return;
  }
  if (form->uppercase && c >= 'a' && c <= 'z') c -= 'a' - 'A';
  if (!options.force && (!AcceptedCharacter(*form, *f, c) || (f->flags & kFieldProtected))) {
    ErrorBeep(t);
    return;
  }

  if (f->reply_kind != 'S') f->reply_kind = 'K';
  if (f->terminator == 0) f->terminator = uint8_t(options.terminator);
  f->modified = 1;
  if (k.insert_mode) ShiftRight(form);
  f->buffer[index] = char(c);
  RedrawField(t, form);

  if (k.insert_mode) {
    if (f->data_len < f->length) f->data_len++;
  } else if (form->cursor >= f->data_len) {
    f->data_len = form->cursor + 1;
  }

  if (form->cursor < f->width - 1) {
    if (!k.advanced) form->cursor++;
    return;
  }
  if (f->width + f->scroll < f->length) {
    f->scroll++;
    RedrawField(t, form);
    return;
  }

  // The field is full.
  if (!form->is_table) {
    if (!(form->options & kOptionFullFieldMoves)) return;
    if (f->reply_kind == 'S' && (f->flags & kFieldSendWhenFull)) {
      if (t.session.text_dialect == 1) {
        k.reply_mode = 2;
        k.reply_letter = 'w';
      }
      SendFormReply(t, c, form);
    } else {
      NextField(form);
      SkipProtectedForward(t, form);
    }
    return;
  }
  if (form->options & kOptionTableNoAutoSend) return;
  if (CheckTableEntry(form)) {
    SendFormReply(t, c, form);
  } else {
    ErrorBeep(t);
  }
}

void DeleteChar(Terminal& t, Form* form) {
  FormField* f = EditableField(form);
  if (f == nullptr) return;
  f->modified = 1;
  if (!form->is_table) {
    const int32_t from = f->scroll + form->cursor;
    if (from >= 0 && from < f->length) {
      for (int32_t j = from; j < f->length - 1; ++j) f->buffer[j] = f->buffer[j + 1];
      f->buffer[f->length - 1] = ' ';
    }
    RedrawField(t, form);
  } else {
    const bool draw = (form->options & kOptionTableShowEdits) != 0;
    for (int32_t i = form->cursor; i >= 0 && i < f->width; ++i) {
      const int64_t at = FieldCellOffset(*form, *f, i);
      if (at < 0) break;
      if (i == f->data_len - 1) {
        // The last character entered gives its cell back to the form.
        const char back = f->saved_text != nullptr ? f->saved_text[i] : ' ';
        PutFieldCell(t, *form, *f, at, back, Masked(*form, *f, back), draw);
        break;
      }
      const int64_t next = i + 1 < f->width ? FieldCellOffset(*form, *f, i + 1) : -1;
      const char moved = next >= 0 ? form->form_text[next] : ' ';
      if (moved != form->form_text[at]) {
        PutFieldCell(t, *form, *f, at, moved, Masked(*form, *f, moved), draw);
      }
    }
  }
  if (f->data_len > 0) f->data_len--;
}

void BackspaceKey(Terminal& t, Form* form) {
  FormField* f = EditableField(form);
  if (f == nullptr || (form->cursor <= 0 && f->scroll <= 0) || (f->flags & kFieldProtected)) {
    ErrorBeep(t);
    return;
  }
  if (f->data_len < form->cursor) f->data_len = form->cursor;
  if (form->cursor > 0) {
    form->cursor--;
  } else {
    f->scroll--;
  }
  DeleteChar(t, form);
}

void DeleteKey(Terminal& t, Form* form) {
  FormField* f = EditableField(form);
  if (f == nullptr || form->cursor >= f->width || (f->flags & kFieldProtected)) {
    ErrorBeep(t);
    return;
  }
  if (f->data_len < form->cursor) f->data_len = form->cursor;
  DeleteChar(t, form);
}

void HomeKey(Terminal& t, Form* form) {
  FormField* f = EditableField(form);
  if (f == nullptr) return;
  form->cursor = 0;
  f->scroll = 0;
  RedrawField(t, form);
}

void EndKey(Terminal& t, Form* form) {
  FormField* f = EditableField(form);
  if (f == nullptr) return;
  form->cursor = f->width;
  f->scroll = f->length > f->width ? f->length - f->width : 0;
  RedrawField(t, form);
}

void CursorLeft(Terminal& t, Form* form) {
  FormField* f = EditableField(form);
  if (f == nullptr) return;
  if (form->cursor > 0) {
    form->cursor--;
  } else if (f->scroll > 0) {
    f->scroll--;
    RedrawField(t, form);
  } else {
    ErrorBeep(t);
  }
}

void CursorRight(Terminal& t, Form* form) {
  FormField* f = EditableField(form);
  if (f == nullptr) return;
  if (form->cursor + 1 < f->width) {
    form->cursor++;
  } else {
    form->cursor = f->width > 0 ? f->width - 1 : 0;
    if (f->width + f->scroll < f->length) {
      f->scroll++;
      RedrawField(t, form);
    } else {
      ErrorBeep(t);
      return;
    }
  }
  if (form->is_table && form->cursor > f->data_len) {
    form->cursor = f->data_len;
    ErrorBeep(t);
  }
}

void ClearField(Terminal& t, Form* form) {
  FormField* f = EditableField(form);
  if (f == nullptr || f->width == 0 || (f->flags & kFieldProtected)) return;
  f->modified = 1;
  form->cursor = 0;
  f->data_len = 0;
  for (int32_t i = 0; i < f->length; ++i) f->buffer[i] = ' ';
  f->scroll = 0;
  RedrawField(t, form);
}

}  // namespace marl
