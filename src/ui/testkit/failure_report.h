// What a failed wait or expect tells a person who has only the CI log: the
// screen as it was (the cursor marked), the current field, the last
// events, and an error line naming the script's file and line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/testkit/screen_image.h"

namespace marl {

// The form's current field, as the report names it.
struct FieldReport {
  bool present = false;  // false: no form, or a form without fields
  int32_t number = 0;
  std::string label;  // the text just left of the field on its row
  std::string value;
  int32_t row = 0;
  int32_t column = 0;
};

struct Failure {
  std::string script;  // "" when the commands came from standard input
  int64_t line = 0;    // 0 when unknown
  std::string reason;  // e.g. expect text "Welcome": not shown within 5s
  ScreenImage screen;
  FieldReport field;
  std::vector<std::string> events;  // oldest first; only the last few are shown
};

// How many of the last events a report shows.
constexpr size_t kReportedEvents = 12;

// The screen's rows, numbered and between bars, and a line with '^' under
// the cursor's cell. Every line ends with '\n'.
std::string ScreenReportText(const ScreenImage& screen);

// The whole report; its last line is "error: SCRIPT:LINE: REASON" and no
// line before it starts with "ok" or "error:", so it can stand in an
// automation answer.
std::string FailureReportText(const Failure& failure);

}  // namespace marl
