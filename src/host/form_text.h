// The text of a field form or a table form, built piece by piece with its
// escapes: labels, fields, attributes, string-bank references, line ends.
#pragma once

#include <string>
#include <string_view>

#include "base/wire.h"

namespace marl::host {

// Bits of a field's type byte. Every type byte has 0x40 set, so a plain
// field's type byte is '@'.
namespace field {
constexpr int kPassword = kFieldPassword;          // shown as '*'
constexpr int kNumeric = kFieldNumeric;            // digits, '.' and '-' only
constexpr int kProtected = kFieldProtected;        // cannot be typed into
constexpr int kSendWhenFull = kFieldSendWhenFull;  // a full scanned field sends the reply
constexpr int kScanOnly = kFieldScanOnly;
}  // namespace field

// The type byte for a combination of the bits above.
constexpr char FieldType(int bits) {
  return char(kFieldTypeBase | bits);
}

// Display attributes for Attribute().
namespace attribute {
constexpr int kNormal = 0x00;
constexpr int kReverse = 0x01;
constexpr int kUnderline = 0x02;
constexpr int kBold = 0x08;
}  // namespace attribute

// Text as the form shows it: '|' and '^' are escaped, a line feed ends the
// row (the rest of it is blank), a backslash and other control bytes go as
// hexadecimal escapes, so that any text can stand in a label or a field.
std::string EscapeFormText(std::string_view text);

class FormText {
 public:
  // A field form starts with text, not with a field, and ends with a field:
  // text after the last field would become that field's value.
  // A field form's text starts with a backslash; a table text has none.
  // `columns` is the terminal's width (the power-up gives it).
  static FormText FieldForm(int columns) { return FormText("\\", columns); }
  static FormText TableText(int columns) { return FormText("", columns); }

  // Plain text, escaped.
  FormText& Text(std::string_view text);
  // The rest of the row stays blank; the next text starts a row. (The
  // terminal's own row-end escape counts from where the text after a field
  // begins, so after a field this writes the blanks itself.)
  FormText& EndRow();
  // Markup written as it stands, for escapes this class has no name for.
  FormText& Raw(std::string_view markup);
  // Text from here on is drawn with `bits` (attribute::...).
  FormText& Attribute(int bits);
  // The string held in bank 0 to 99 (the bank must hold one when the form
  // arrives, or the terminal refuses the form).
  FormText& Bank(int bank);
  // A table text: the entry field stands here. The terminal counts the
  // place in bytes of the text before the mark, so no markup may precede it.
  FormText& CursorMark();
  // A field `width` cells wide showing `value` (padded with blanks; at
  // least one cell). Field forms only.
  FormText& Field(int type_bits, int width, std::string_view value = {});
  // A field that scans carrying `identifier` anywhere in them go to; with
  // `strip` the identifier's length is cut from both ends of such a scan.
  FormText& ScanField(int type_bits, std::string_view identifier, int width, bool strip = true);

  const std::string& str() const { return text_; }
  int fields() const { return fields_; }

 private:
  FormText(std::string start, int columns)
      : text_(std::move(start)), columns_(columns > 0 ? columns : 20) {}
  FormText& FieldData(int type_bits, std::string_view prefix, int width, std::string_view value);

  std::string text_;
  int fields_ = 0;
  int columns_;
  int column_ = 0;     // where the next cell goes; -1 once a bank made it unknown
  int run_start_ = 0;  // column at which the terminal's current text run began
};

}  // namespace marl::host
