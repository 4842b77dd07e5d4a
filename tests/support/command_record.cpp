#include "command_record.h"

#include "forms/form.h"
#include "forms/form_builder.h"

namespace marl::testing {

std::string Header(uint32_t word, int32_t v0, int32_t v1, int32_t v2) {
  const int32_t values[] = {int32_t(word >> 8), int32_t(word), v0, v1, v2};
  std::string h(8, '0');
  for (int i = 0; i < 5; ++i) h[i] = char(values[i] & 0x7F);
  return h;
}

HostRecord* CommandRecord(Terminal& t, std::string_view header, std::string_view body) {
  std::string bytes = "\x82";
  bytes.append(header.substr(0, 8));
  bytes.resize(9, '0');
  bytes.append(body);
  HostRecord* r = NewHostRecord(t, int32_t(bytes.size()), bytes.data());
  const auto byte = [&](int i) { return int32_t(static_cast<uint8_t>(r->text[i]) & 0x7F); };
  r->header = r->text + 1;
  r->header_word = uint32_t(byte(1) << 8 | byte(2));
  for (int i = 0; i < 6; ++i) r->header_values[i] = byte(3 + i);
  r->count = -1;
  r->command = r->text + kRecordPrefix;
  if (*r->command == '\\') {
    char* p = r->command + 1;
    if (*p >= '0' && *p <= '9') r->count = *p++ - '0';
    if (*p >= '0' && *p <= '9') r->count = r->count * 10 + (*p++ - '0');
    if (*p != 0) ++p;  // the command letter
    r->command = p;
  }
  return r;
}

BuiltForm BuildFieldForm(Terminal& t, std::string_view text, const std::string& header) {
  HostRecord* r = CommandRecord(t, header, "\\S" + std::string(text));
  return {r, BuildRecordForm(t, r, {t.screen.rows, t.screen.columns, 0})};
}

BuiltForm BuildTableText(Terminal& t, std::string_view text, const std::string& header) {
  HostRecord* r = CommandRecord(t, header, text);
  r->table_switch = 1;
  return {r, BuildRecordForm(t, r, {t.screen.rows, t.screen.columns, 0})};
}

std::string FormTextRow(const Form* form, int32_t row) {
  return std::string(form->form_text + size_t(row) * size_t(form->column_count),
                     size_t(form->column_count));
}

}  // namespace marl::testing
