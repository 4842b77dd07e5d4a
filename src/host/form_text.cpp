#include "host/form_text.h"

#include <algorithm>
#include <cstdio>

namespace marl::host {

std::string EscapeFormText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '|') {
      out += "||";
    } else if (c == '^') {
      out += "^^";
    } else if (c == '\n') {
      out += "^\n";
    } else if (byte == 0) {
      continue;  // a zero byte would end the record's text
    } else if (byte < 0x20 || c == '\\' || byte == 0x7F) {
      char hex[4];
      std::snprintf(hex, sizeof hex, "^%02X", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

FormText& FormText::Text(std::string_view text) {
  for (const char c : text) {
    if (c == '\n') {
      EndRow();
    } else {
      text_ += EscapeFormText(std::string_view(&c, 1));
      if (c != 0 && column_ >= 0) column_ = (column_ + 1) % columns_;
    }
  }
  return *this;
}

FormText& FormText::EndRow() {
  if (run_start_ == 0 || column_ < 0) {
    text_ += "^\n";
  } else {
    text_.append(size_t(columns_ - column_), ' ');
  }
  if (run_start_ == 0 || column_ >= 0) column_ = 0;
  return *this;
}

FormText& FormText::Raw(std::string_view markup) {
  text_ += markup;
  return *this;
}

FormText& FormText::Attribute(int bits) {
  text_ += "|H";
  text_ += char(0x80 | (bits & 0x7F));
  return *this;
}

FormText& FormText::Bank(int bank) {
  char reference[8];
  std::snprintf(reference, sizeof reference, "|D%02d", std::clamp(bank, 0, 99));
  text_ += reference;
  column_ = -1;
  return *this;
}

FormText& FormText::CursorMark() {
  text_ += "|C";
  return *this;
}

FormText& FormText::FieldData(int type_bits, std::string_view prefix, int width,
                              std::string_view value) {
  // The terminal takes the cells of the field from its data, so an empty
  // value still needs its blanks.
  std::string data(value.substr(0, size_t(std::max(width, 1))));
  data.resize(size_t(std::max(width, 1)), ' ');
  text_ += '\\';
  text_ += FieldType(type_bits);
  text_ += prefix;
  text_ += EscapeFormText(data);
  text_ += '\\';
  ++fields_;
  if (column_ >= 0) column_ = (column_ + int(data.size())) % columns_;
  run_start_ = column_ < 0 ? -1 : column_;
  return *this;
}

FormText& FormText::Field(int type_bits, int width, std::string_view value) {
  return FieldData(type_bits, "", width, value);
}

FormText& FormText::ScanField(int type_bits, std::string_view identifier, int width, bool strip) {
  std::string prefix = strip ? "|S" : "|I";
  prefix += EscapeFormText(identifier);
  prefix += "|~";
  return FieldData(type_bits, prefix, width, {});
}

}  // namespace marl::host
