#include "command_record.h"

#include "forms/form_builder.h"

namespace marl::testing {

std::string Header(uint32_t word, int32_t v0, int32_t v1, int32_t v2) {
  std::string h(8, '0');
  h[0] = char((word >> 8) & 0x7F);
  h[1] = char(word & 0x7F);
  h[2] = char(v0 & 0x7F);
  h[3] = char(v1 & 0x7F);
  h[4] = char(v2 & 0x7F);
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

namespace {

BuiltForm Build(Terminal& t, const std::string& header, const std::string& body, bool table) {
  HostRecord* r = CommandRecord(t, header, body);
  r->table_switch = table ? 1 : 0;
  return {r, BuildRecordForm(t, r, {t.screen.rows, t.screen.columns, 0})};
}

}  // namespace

BuiltForm BuildFieldForm(Terminal& t, std::string_view text, const std::string& header) {
  return Build(t, header, "\\S" + std::string(text), false);
}

BuiltForm BuildTableText(Terminal& t, std::string_view text, const std::string& header) {
  return Build(t, header, std::string(text), true);
}

std::string FormTextRow(const Form* form, int32_t row) {
  return std::string(form->form_text + size_t(row) * size_t(form->column_count),
                     size_t(form->column_count));
}

}  // namespace marl::testing
