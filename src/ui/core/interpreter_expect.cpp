// The assertions of the automation language: `expect` in its forms and
// `set timeout`, and the report a failed wait or expect answers with.
#include <algorithm>
#include <cctype>

#include "terminal.h"
#include "ui/core/command_words.h"
#include "ui/core/core_platform.h"
#include "ui/core/interpreter.h"
#include "ui/core/test_views.h"
#include "ui/core/window_views.h"
#include "ui/testkit/duration.h"
#include "ui/testkit/golden_compare.h"
#include "ui/testkit/golden_file.h"
#include "ui/testkit/quoting.h"

namespace marl {

namespace {

constexpr const char* kExpectUsage =
    "usage: expect text \"TEXT\" [DURATION] | expect row R \"TEXT\" | expect cursor ROW COL | "
    "expect field F \"VALUE\" | expect screen FILE [DURATION]";
// However long a text, a reason quotes this much of it.
constexpr size_t kQuoted = 200;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

std::string_view TrimmedRight(std::string_view text) {
  const size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

}  // namespace

std::string Interpreter::Set(const Words& w) {
  int64_t ms = 0;
  std::string error;
  if (w.size() != 3 || Lower(w[1]) != "timeout") return "usage: set timeout DURATION";
  if (!ParseDuration(w[2], &ms, &error)) return error;
  timeout_ms_ = ms;
  return "";
}

std::string Interpreter::Beside(const std::string& path) const {
  if (path.empty() || path[0] == '/') return path;
  const size_t slash = script_.rfind('/');
  return slash == std::string::npos ? path : script_.substr(0, slash + 1) + path;
}

std::string Interpreter::Failed(std::string reason, const std::string& extra) {
  Failure failure;
  failure.script = script_;
  failure.line = line_;
  failure.reason = reason;
  failure.screen = ImageOf(t_, core_.VisibleWindow());
  failure.field = CurrentField(t_, failure.screen);
  const auto& kept = core_.events().kept();
  const size_t from = kept.size() > kReportedEvents ? kept.size() - kReportedEvents : 0;
  failure.events.assign(kept.begin() + std::ptrdiff_t(from), kept.end());
  report_ = extra + FailureReportText(failure);
  return reason;
}

std::string Interpreter::Expect(const Words& w) {
  if (w.size() < 2) return kExpectUsage;
  const std::string what = Lower(w[1]);
  if (what == "text") {
    int64_t limit = 0;
    if (w.size() < 3 || !OptionalLimit(w, 3, timeout_ms_, &limit)) return kExpectUsage;
    Wait wait;
    wait.kind = WaitKind::kText;
    wait.text = w[2];
    wait.expect = true;
    wait.what = "expect text " + QuotedText(w[2], kQuoted);
    wait.limit_ms = limit;
    wait.deadline = now_ + std::chrono::milliseconds(limit);
    wait_ = std::move(wait);
    return "";
  }
  if (what == "screen") return ExpectScreen(w);
  if (what == "row" || what == "cursor" || what == "field") {
    if (w.size() != 4) return kExpectUsage;
    return ExpectNow(what, w);
  }
  return kExpectUsage;
}

// The forms that look once, now.
std::string Interpreter::ExpectNow(const std::string& what, const Words& w) {
  int64_t a = 0;
  int64_t b = 0;
  if (what != "field" && !ParseNumber(w[2], 0, INT32_MAX, &a)) return kExpectUsage;
  if (what == "cursor" && !ParseNumber(w[3], 0, INT32_MAX, &b)) return kExpectUsage;
  if (trial_) return "";
  const ScreenImage image = ImageOf(t_, core_.VisibleWindow());
  if (what == "row") {
    if (a >= image.rows) {
      return "row " + w[2] + " is outside the window (" + std::to_string(image.rows) + " rows)";
    }
    const std::string row = image.RowText(int32_t(a));
    if (TrimmedRight(row) == TrimmedRight(w[3])) return "";
    return Failed("expect row " + w[2] + ": it is " + QuotedText(TrimmedRight(row), kQuoted) +
                  ", not " + QuotedText(w[3], kQuoted));
  }
  if (what == "cursor") {
    if (image.cursor_row == a && image.cursor_column == b) return "";
    return Failed("expect cursor: it is at " + std::to_string(image.cursor_row) + " " +
                  std::to_string(image.cursor_column) + ", not " + w[2] + " " + w[3]);
  }
  std::vector<FieldPlace> places;
  std::vector<std::string> values;
  FormFields(t_, &places, &values);
  std::string error;
  const int32_t index = FindField(image, places, w[2], &error);
  if (index < 0) return Failed("expect field " + QuotedText(w[2], kQuoted) + ": " + error);
  const std::string& value = values[size_t(index)];
  if (FieldHolds(value, w[3])) return "";
  return Failed("expect field " + QuotedText(w[2], kQuoted) + ": it holds " +
                QuotedText(TrimmedRight(value), kQuoted) + ", not " + QuotedText(w[3], kQuoted));
}

std::string Interpreter::ExpectScreen(const Words& w) {
  int64_t limit = 0;
  if (w.size() < 3 || w[2].empty() || !OptionalLimit(w, 3, timeout_ms_, &limit)) {
    return kExpectUsage;
  }
  const std::string path = Beside(w[2]);
  Wait wait;
  std::string error;
  const GoldenLoad load = LoadGolden(path, &wait.golden, &error);
  if (load == GoldenLoad::kFailed || (load == GoldenLoad::kMissing && !update_goldens_)) {
    return error;
  }
  if (trial_) return "";
  if (update_goldens_) {
    // The script's own waits have let the screen settle: it is the one to
    // keep, masks and comments of the old golden kept with it.
    const ScreenImage image = ImageOf(t_, core_.VisibleWindow());
    if (load == GoldenLoad::kLoaded && CompareGolden(wait.golden, image).matches()) return "";
    const GoldenScreen updated =
        GoldenFromImage(image, load == GoldenLoad::kLoaded ? &wait.golden : nullptr);
    if (!SaveGolden(path, updated, &error)) return error;
    Write("updated " + path + "\n");
    return "";
  }
  wait.kind = WaitKind::kScreen;
  wait.expect = true;
  wait.what = "expect screen " + QuotedText(w[2], kQuoted);
  wait.limit_ms = limit;
  wait.deadline = now_ + std::chrono::milliseconds(limit);
  wait_ = std::move(wait);
  return "";
}

}  // namespace marl
