#include "forms/form.h"

#include "base/guarded_alloc.h"
#include "terminal.h"

namespace marl {

void FreeForm(Terminal& t, Form* form, const char* file, CallSite where) {
  if (form == nullptr) return;
  GuardedFree(t, form->form_text, file, where);
  if (form->fields != nullptr) {
    for (int32_t i = 0; i < form->field_count; ++i) {
      FormField& f = form->fields[i];
      GuardedFree(t, f.buffer, file, where);
      GuardedFree(t, f.saved_text, file, where);
      GuardedFree(t, f.scan_identifier, file, where);
    }
    GuardedFree(t, form->fields, file, where);
  }
  // Nothing may keep pointing at a form that is gone.
  if (t.forms.last_built == form) t.forms.last_built = nullptr;
  if (t.screen.current_form == form) t.screen.current_form = nullptr;
  if (t.tables.table_form == form) t.tables.table_form = nullptr;
  if (t.tables.slash_form == form) t.tables.slash_form = nullptr;
  GuardedFree(t, form, file, where);
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
