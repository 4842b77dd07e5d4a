#include "ui/testkit/field_labels.h"

#include "ui/testkit/quoting.h"

namespace marl {

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string_view WithoutTrailingBlanks(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

std::string FieldLabel(const ScreenImage& screen, const std::vector<FieldPlace>& fields,
                       size_t index) {
  if (index >= fields.size()) return "";
  const FieldPlace& field = fields[index];
  int32_t start = 0;
  for (const FieldPlace& other : fields) {
    const int64_t end = int64_t(other.column) + other.width;
    if (other.row == field.row && end <= field.column && end > start) start = int32_t(end);
  }
  const std::string row = screen.RowText(field.row);
  const int32_t stop = field.column < screen.columns ? field.column : screen.columns;
  if (stop <= start || row.empty()) return "";
  return std::string(Trimmed(std::string_view(row).substr(size_t(start), size_t(stop - start))));
}

int32_t FindField(const ScreenImage& screen, const std::vector<FieldPlace>& fields,
                  std::string_view name, std::string* error) {
  if (fields.empty()) {
    *error = "the form has no fields";
    return -1;
  }
  const bool number = !name.empty() && name.size() <= 9 &&
                      name.find_first_not_of("0123456789") == std::string_view::npos;
  if (number) {
    const int64_t n = std::stoll(std::string(name));
    if (n < int64_t(fields.size())) return int32_t(n);
    *error = "no field " + std::string(name) + " (the form has " + std::to_string(fields.size()) +
             (fields.size() == 1 ? " field)" : " fields)");
    return -1;
  }
  const std::string_view wanted = Trimmed(name);
  std::string labels;
  for (size_t i = 0; i < fields.size(); ++i) {
    const std::string label = FieldLabel(screen, fields, i);
    if (label == wanted) return int32_t(i);
    labels += (i > 0 ? ", " : "") + QuotedText(label, 40);
  }
  *error = "no field labelled " + QuotedText(name, 80) + " (labels: " + labels + ")";
  return -1;
}

bool FieldHolds(std::string_view value, std::string_view expected) {
  return WithoutTrailingBlanks(value) == WithoutTrailingBlanks(expected);
}

}  // namespace marl
