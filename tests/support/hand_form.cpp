#include "hand_form.h"

#include <cstring>

#include "alloc/guarded_alloc.h"
#include "input/scan.h"
#include "interp/display.h"

namespace marl::testing {

namespace {

constexpr const char* kTag = "test";

Form* NewForm(Terminal& t, int32_t rows, int32_t columns) {
  auto* form = static_cast<Form*>(GuardedCalloc(t, sizeof(Form), 1, __LINE__, kTag));
  *form = Form();
  const int32_t cells = rows * columns;
  form->form_text = static_cast<char*>(GuardedCalloc(t, uint32_t(cells) + 1, 1, __LINE__, kTag));
  std::memset(form->form_text, ' ', size_t(cells));
  form->capacity = cells + 1;
  form->row_count = rows;
  form->column_count = columns;
  return form;
}

char* NewText(Terminal& t, int32_t size) {
  return static_cast<char*>(GuardedCalloc(t, uint32_t(size) + 1, 1, __LINE__, kTag));
}

}  // namespace

HandForm::HandForm(Terminal& t, int32_t rows, int32_t columns, std::vector<FieldSpec> fields,
                   uint32_t options)
    : t_(t), form_(NewForm(t, rows, columns)) {
  form_->options = options;
  form_->field_count = int32_t(fields.size());
  form_->fields = static_cast<FormField*>(
      GuardedCalloc(t, uint32_t(fields.size() + 1), sizeof(FormField), __LINE__, kTag));
  for (size_t i = 0; i < fields.size(); ++i) {
    const FieldSpec& s = fields[i];
    FormField& f = form_->fields[i];
    f = FormField();
    f.row = s.row;
    f.column = s.column;
    f.width = s.width;
    f.length = s.length > 0 ? s.length : s.width;
    f.flags = s.flags;
    f.attribute = s.attribute;
    f.data_offset = s.row * columns + s.column;
    f.navigation_skip = s.navigation_skip;
    f.strip = s.strip;
    if (s.scan_identifier != nullptr) {
      f.scan_identifier = GuardedCopy(t, s.scan_identifier, -1, __LINE__, kTag);
    }
    f.buffer = NewText(t, f.length);
    std::memset(f.buffer, ' ', size_t(f.length));
    std::memcpy(f.buffer, s.text.data(), std::min(s.text.size(), size_t(f.length)));
    SetText(s.row, s.column, s.text.substr(0, size_t(s.width)));
    f.saved_text = NewText(t, f.width);
    std::memcpy(f.saved_text, form_->form_text + f.data_offset, size_t(f.width));
    std::string trimmed = s.text.substr(0, size_t(f.length));
    while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
    f.data_len = int32_t(trimmed.size());
  }
  SetCurrentForm(t, form_);
}

HandForm HandForm::Table(Terminal& t, int32_t columns, const std::vector<std::string>& lines,
                         int32_t entry_row, int32_t entry_column, int32_t width, uint32_t options) {
  HandForm h(t, NewForm(t, int32_t(lines.size()), columns));
  Form* form = h.form_;
  for (size_t r = 0; r < lines.size(); ++r) h.SetText(int32_t(r), 0, lines[r]);
  form->is_table = 1;
  form->options = options;
  form->field_count = 1;
  form->fields = static_cast<FormField*>(GuardedCalloc(t, 1, sizeof(FormField), __LINE__, kTag));
  FormField& f = form->fields[0];
  f = FormField();
  f.row = entry_row;
  f.column = entry_column;
  f.width = width;
  f.length = width;
  f.data_offset = entry_row * columns + entry_column;
  f.flags = (options & 0x10) ? 0 : 0x10;
  f.buffer = NewText(t, width);
  f.saved_text = NewText(t, width);
  std::memcpy(f.saved_text, form->form_text + f.data_offset, size_t(width));
  form->table_first = entry_row;
  form->table_rows = form->row_count;
  SetCurrentForm(t, form);
  return h;
}

HandForm::~HandForm() {
  if (form_ != nullptr) FreeForm(t_, form_, __LINE__, kTag);
}

std::string HandForm::Buffer(int32_t i) const {
  const FormField& f = form_->fields[i];
  return std::string(f.buffer, size_t(f.length));
}

std::string HandForm::TextRow(int32_t row) const {
  return std::string(form_->form_text + size_t(row) * size_t(form_->column_count),
                     size_t(form_->column_count));
}

void HandForm::SetText(int32_t row, int32_t column, const std::string& text) {
  const int32_t at = row * form_->column_count + column;
  const int32_t room = form_->row_count * form_->column_count - at;
  std::memcpy(form_->form_text + at, text.data(), std::min(text.size(), size_t(room)));
}

void Press(Terminal& t, int32_t code) {
  ProcessKey(t, code, GetCurrentForm(t), t.screen.rows, t.screen.columns, 0, 0);
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
