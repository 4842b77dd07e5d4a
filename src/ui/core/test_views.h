// The window as the test toolkit sees it: the cells, the cursor and the
// current form's fields as plain values, for assertions and failure
// reports.
#pragma once

#include <string>
#include <vector>

#include "ui/core/window_model.h"
#include "ui/testkit/failure_report.h"
#include "ui/testkit/field_labels.h"
#include "ui/testkit/screen_image.h"

namespace marl {

struct Terminal;

// The window's cells with the cursor `screen` shows.
ScreenImage ImageOf(const Terminal& t, const WindowView& view);

// The current form's fields where the window shows them, and their values
// (empty when there is no form).
void FormFields(const Terminal& t, std::vector<FieldPlace>* places,
                std::vector<std::string>* values);

// The current field, named as a failure report names it.
FieldReport CurrentField(const Terminal& t, const ScreenImage& screen);

}  // namespace marl
