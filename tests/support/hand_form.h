// Forms built by hand, without the host's form language, for the states a
// host cannot make (a text without fields) and for the fuzzer and front-end
// tests: a text of blank rows with fields at chosen places. The form is made with
// the guarded allocator, becomes the current form and is released with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "forms/form.h"
#include "input/key_processor.h"
#include "terminal.h"

namespace marl::testing {

struct FieldSpec {
  FieldSpec(int32_t r, int32_t c, int32_t w) : row(r), column(c), width(w) {}
  FieldSpec& Length(int32_t n) { return length = n, *this; }
  FieldSpec& Flags(uint8_t f) { return flags = f, *this; }
  FieldSpec& Text(std::string s) { return text = std::move(s), *this; }
  // A field that navigation steps over and that scans carrying `id` go to.
  FieldSpec& Identified(const char* id, int32_t strip_flag) {
    return scan_identifier = id, strip = strip_flag, *this;
  }

  int32_t row, column, width;
  int32_t length = 0;  // 0: the width
  uint8_t flags = 0;
  std::string text;  // initial content
  int32_t strip = 0;
  const char* scan_identifier = nullptr;
};

class HandForm {
 public:
  // A field form of rows x columns cells.
  HandForm(Terminal& t, int32_t rows, int32_t columns, std::vector<FieldSpec> fields,
           uint32_t options = 0);
  // A table form whose text is `lines`, one per row, with its entry field.
  HandForm(Terminal& t, int32_t columns, const std::vector<std::string>& lines, FieldSpec entry,
           uint32_t options);
  HandForm(const HandForm&) = delete;
  ~HandForm();

  Form* get() { return form_; }
  Form* operator->() { return form_; }
  FormField& field(int32_t i) { return form_->fields[i]; }
  void SetText(int32_t row, int32_t column, const std::string& text);

 private:
  // Field i as `s` says; a table's entry buffer starts empty (zeros), not blank.
  void Place(int32_t i, const FieldSpec& s, bool blank);
  Terminal& t_;
  Form* form_ = nullptr;
};

// Keys as the window would press them on the current form.
void Press(Terminal& t, int32_t code);
void Type(Terminal& t, const std::string& text);
// A scan as the host's scan command injects it.
void Scan(Terminal& t, const std::string& bytes, uint8_t label_type = 1);

}  // namespace marl::testing
