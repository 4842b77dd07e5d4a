#include "forms/form_display.h"

#include "forms/form.h"
#include "terminal.h"

namespace marl {

// Not built yet: forms are neither drawn nor scrolled.
void ShowForm(Terminal&, Form*) {}
void DrawForm(Terminal&, Form*) {}
int32_t ScrollFormTo(Terminal&, Form* form, int32_t row) {
  return row - form->top_row;
}

}  // namespace marl
