#include "hand_form.h"

#include <cstring>

#include "base/guarded_alloc.h"
#include "forms/form.h"
#include "forms/form_display.h"
#include "input/scan.h"
#include "screen/display.h"

namespace marl::testing {

namespace {

constexpr const char* kTag = "test";

char* NewText(Terminal& t, int32_t size) {
  return static_cast<char*>(GuardedCalloc(t, uint32_t(size) + 1, 1, kTag));
}

Form* NewForm(Terminal& t, int32_t rows, int32_t columns, uint32_t options, size_t fields) {
  auto* form = static_cast<Form*>(GuardedCalloc(t, sizeof(Form), 1, kTag));
  *form = Form();
  form->form_text = NewText(t, rows * columns);
  std::memset(form->form_text, ' ', size_t(rows * columns));
  form->capacity = rows * columns + 1;
  form->row_count = rows;
  form->column_count = columns;
  form->options = options;
  form->field_count = int32_t(fields);
  form->fields =
      static_cast<FormField*>(GuardedCalloc(t, uint32_t(fields + 1), sizeof(FormField), kTag));
  return form;
}

}  // namespace

HandForm::HandForm(Terminal& t, int32_t rows, int32_t columns, std::vector<FieldSpec> fields,
                   uint32_t options)
    : t_(t), form_(NewForm(t, rows, columns, options, fields.size())) {
  for (size_t i = 0; i < fields.size(); ++i) Place(int32_t(i), fields[i], true);
  SetCurrentForm(t, form_);
}

HandForm::HandForm(Terminal& t, int32_t columns, const std::vector<std::string>& lines,
                   FieldSpec entry, uint32_t options)
    : t_(t), form_(NewForm(t, int32_t(lines.size()), columns, options, 1)) {
  for (size_t r = 0; r < lines.size(); ++r) SetText(int32_t(r), 0, lines[r]);
  form_->is_table = 1;
  form_->table_first = entry.row;
  form_->table_rows = form_->row_count;
  Place(0, entry.Flags((options & 0x10) ? 0 : 0x10), false);
  SetCurrentForm(t, form_);
}

void HandForm::Place(int32_t i, const FieldSpec& s, bool blank) {
  FormField& f = form_->fields[i];
  f = FormField();
  f.row = s.row;
  f.column = s.column;
  f.width = s.width;
  f.length = s.length > 0 ? s.length : s.width;
  f.flags = s.flags;
  f.data_offset = s.row * form_->column_count + s.column;
  f.navigation_skip = s.scan_identifier != nullptr;
  f.strip = s.strip;
  if (s.scan_identifier != nullptr) {
    f.scan_identifier = GuardedCopy(t_, s.scan_identifier, -1, kTag);
  }
  f.buffer = NewText(t_, f.length);
  if (blank) std::memset(f.buffer, ' ', size_t(f.length));
  std::memcpy(f.buffer, s.text.data(), std::min(s.text.size(), size_t(f.length)));
  SetText(s.row, s.column, s.text.substr(0, size_t(s.width)));
  f.saved_text = NewText(t_, f.width);
  std::memcpy(f.saved_text, form_->form_text + f.data_offset, size_t(f.width));
  // npos + 1 is 0: an all-blank text holds nothing.
  f.data_len = int32_t(s.text.substr(0, size_t(f.length)).find_last_not_of(' ') + 1);
}

HandForm::~HandForm() {
  if (form_ != nullptr) FreeForm(t_, form_, kTag);
}

void HandForm::SetText(int32_t row, int32_t column, const std::string& text) {
  const int32_t at = row * form_->column_count + column;
  const int32_t room = form_->row_count * form_->column_count - at;
  std::memcpy(form_->form_text + at, text.data(), std::min(text.size(), size_t(room)));
}

void Press(Terminal& t, int32_t code) {
  ProcessKey(t, code, GetCurrentForm(t), t.screen.rows, t.screen.columns);
}

void Type(Terminal& t, const std::string& text) {
  for (char c : text) Press(t, static_cast<uint8_t>(c));
}

void Scan(Terminal& t, const std::string& bytes, uint8_t label_type) {
  std::vector<char> copy(bytes.begin(), bytes.end());
  copy.push_back(0);
  ProcessScan(t, int32_t(bytes.size()), copy.data(), GetCurrentForm(t), t.screen.rows,
              t.screen.columns, label_type);
}

}  // namespace marl::testing
