// Showing, drawing and scrolling a form, and its cursor.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct Form;

void ShowForm(Terminal& t, Form* form);
void DrawForm(Terminal& t, Form* form);
// Returns the screen row that shows text row `row`, scrolling the form when
// the row is off the screen.
int32_t ScrollFormTo(Terminal& t, Form* form, int32_t row);
// Puts the cursor on the form's current field, scrolling it into view; at
// the top left while the terminal waits for the host.
void PlaceFormCursor(Terminal& t, Form* form);

}  // namespace marl
