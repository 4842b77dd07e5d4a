#include "ui/core/test_views.h"

#include <cstring>

#include "forms/form.h"
#include "terminal.h"
#include "ui/core/window_views.h"

namespace marl {

ScreenImage ImageOf(const Terminal& t, const WindowView& view) {
  ScreenImage image;
  image.rows = view.rows;
  image.columns = view.columns;
  image.bytes.reserve(view.cells.size());
  image.attributes.reserve(view.cells.size());
  for (const ViewCell& cell : view.cells) {
    image.bytes.push_back(cell.byte);
    image.attributes.push_back(uint8_t(cell.attribute & kCellAttributeBits));
  }
  VisibleCursor(t, view, &image.cursor_row, &image.cursor_column);
  return image;
}

void FormFields(const Terminal& t, std::vector<FieldPlace>* places,
                std::vector<std::string>* values) {
  places->clear();
  values->clear();
  const Form* form = t.screen.current_form;
  if (form == nullptr || form->fields == nullptr) return;
  for (int32_t i = 0; i < form->field_count; ++i) {
    const FormField& f = form->fields[i];
    // The window shows the form from its top row on.
    places->push_back({f.row - form->top_row, f.column, f.width});
    const size_t length =
        f.buffer != nullptr && f.length > 0 ? strnlen(f.buffer, size_t(f.length)) : 0;
    values->emplace_back(f.buffer != nullptr ? f.buffer : "", length);
  }
}

FieldReport CurrentField(const Terminal& t, const ScreenImage& screen) {
  FieldReport report;
  std::vector<FieldPlace> places;
  std::vector<std::string> values;
  FormFields(t, &places, &values);
  const Form* form = t.screen.current_form;
  if (places.empty() || form == nullptr) return report;
  const int32_t index = form->current_field;
  if (index < 0 || size_t(index) >= places.size()) return report;
  report.present = true;
  report.number = index;
  report.label = FieldLabel(screen, places, size_t(index));
  report.value = values[size_t(index)];
  report.row = places[size_t(index)].row;
  report.column = places[size_t(index)].column;
  return report;
}

}  // namespace marl
