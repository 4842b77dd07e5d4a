// Fields named as a person names them: by number, or by the label just
// left of the field on its row (`expect field "Qty:" "7"`).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/testkit/screen_image.h"

namespace marl {

// Where a field of the current form stands on the window.
struct FieldPlace {
  int32_t row = 0;
  int32_t column = 0;
  int32_t width = 0;
};

// Field `index`'s label: the window's text on its row from the end of the
// nearest field before it on that row (or the row's start) to the field,
// blanks trimmed.
std::string FieldLabel(const ScreenImage& screen, const std::vector<FieldPlace>& fields,
                       size_t index);

// The field NAME names: a word of digits is a field's number, anything else
// a label. Returns -1 with `error` one of:
//   no field 5 (the form has 2 fields)
//   no field labelled "Qty" (labels: "Item:", "Qty:")
//   the form has no fields
int32_t FindField(const ScreenImage& screen, const std::vector<FieldPlace>& fields,
                  std::string_view name, std::string* error);

// Whether a field holds `expected`, trailing blanks ignored on both sides.
bool FieldHolds(std::string_view value, std::string_view expected);

}  // namespace marl
