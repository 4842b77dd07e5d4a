#include "forms/form.h"

#include "base/guarded_alloc.h"
#include "terminal.h"

namespace marl {

void FreeForm(Terminal& t, Form* form, int line, const char* file) {
  if (form == nullptr) return;
  GuardedFree(t, form->form_text, line, file);
  if (form->fields != nullptr) {
    for (int32_t i = 0; i < form->field_count; ++i) {
      FormField& f = form->fields[i];
      GuardedFree(t, f.buffer, line, file);
      GuardedFree(t, f.saved_text, line, file);
      GuardedFree(t, f.scan_identifier, line, file);
    }
    GuardedFree(t, form->fields, line, file);
  }
  // Nothing may keep pointing at a form that is gone.
  if (t.forms.last_built == form) t.forms.last_built = nullptr;
  if (t.screen.current_form == form) t.screen.current_form = nullptr;
  if (t.tables.table_form == form) t.tables.table_form = nullptr;
  if (t.tables.slash_form == form) t.tables.slash_form = nullptr;
  GuardedFree(t, form, line, file);
}

int32_t GetTerminalRows(Terminal& t) {
  return t.forms.terminal_rows;
}
int32_t GetTerminalCols(Terminal& t) {
  return t.forms.terminal_columns;
}
void SetTerminalRows(Terminal& t, int32_t rows) {
  t.forms.terminal_rows = rows;
}
void SetTerminalCols(Terminal& t, int32_t columns) {
  t.forms.terminal_columns = columns;
}

}  // namespace marl
