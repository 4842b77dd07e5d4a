#include "ui/testkit/failure_report.h"

#include "ui/testkit/quoting.h"

namespace marl {

namespace {

constexpr size_t kLongest = 200;

}  // namespace

std::string ScreenReportText(const ScreenImage& screen) {
  const bool sized = screen.rows > 0 && screen.columns > 0 &&
                     int64_t(screen.rows) * screen.columns <= kMaxImageCells;
  std::string out = "screen " + std::to_string(sized ? screen.columns : 0) + "x" +
                    std::to_string(sized ? screen.rows : 0) + ", cursor " +
                    std::to_string(screen.cursor_row) + " " + std::to_string(screen.cursor_column);
  const bool cursor_shown = sized && screen.cursor_row >= 0 && screen.cursor_row < screen.rows &&
                            screen.cursor_column >= 0 && screen.cursor_column < screen.columns;
  out += sized && !cursor_shown ? " (off the screen)\n" : "\n";
  if (!sized) return out;
  const size_t width = std::to_string(screen.rows - 1).size();
  for (int32_t r = 0; r < screen.rows; ++r) {
    const std::string number = std::to_string(r);
    out += std::string(width + 1 - number.size(), ' ') + number + " |" + screen.RowText(r) + "|\n";
    if (cursor_shown && r == screen.cursor_row) {
      out += std::string(width + 3 + size_t(screen.cursor_column), ' ') + "^\n";
    }
  }
  return out;
}

std::string FailureReportText(const Failure& failure) {
  std::string out = ScreenReportText(failure.screen);
  if (failure.field.present) {
    out += "field " + std::to_string(failure.field.number) + " " +
           QuotedText(failure.field.label, kLongest) + " at " + std::to_string(failure.field.row) +
           " " + std::to_string(failure.field.column) + ": " +
           QuotedText(failure.field.value, kLongest) + "\n";
  } else {
    out += "no current field\n";
  }
  const size_t count = failure.events.size();
  if (count == 0) {
    out += "no events\n";
  } else {
    const size_t shown = count < kReportedEvents ? count : kReportedEvents;
    out += shown == count
               ? "events:\n"
               : "last " + std::to_string(shown) + " of " + std::to_string(count) + " events:\n";
    for (size_t i = count - shown; i < count; ++i) {
      out += "  " + PrintableLine(failure.events[i], kLongest) + "\n";
    }
  }
  out += "error: ";
  if (!failure.script.empty()) {
    out += PrintableLine(failure.script, kLongest);
    if (failure.line > 0) out += ":" + std::to_string(failure.line);
    out += ": ";
  }
  // A reason is one line, whatever bytes went into it.
  out += PrintableLine(failure.reason, 1000) + "\n";
  return out;
}

}  // namespace marl
