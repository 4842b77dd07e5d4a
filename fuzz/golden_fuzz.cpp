// Golden files, durations and report texts from arbitrary bytes: nothing
// may crash or read out of bounds, a golden that reads must write back to
// text that reads as the same golden, and that golden matches its own
// screen.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ui/testkit/duration.h"
#include "ui/testkit/failure_report.h"
#include "ui/testkit/golden_compare.h"
#include "ui/testkit/golden_screen.h"
#include "ui/testkit/junit_xml.h"

namespace {

marl::ScreenImage ImageOf(const marl::GoldenScreen& g) {
  marl::ScreenImage image;
  image.rows = g.rows;
  image.columns = g.columns;
  image.bytes = g.text;
  image.attributes = g.attributes;
  image.cursor_row = g.cursor_row;
  image.cursor_column = g.cursor_column;
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  int64_t ms = 0;
  std::string error;
  marl::ParseDuration(input.substr(0, 64), &ms, &error);
  marl::XmlText(input, size % 2 == 0);

  marl::GoldenScreen golden;
  if (!marl::ParseGolden(input, &golden, &error)) return 0;
  const std::string text = marl::GoldenText(golden);
  marl::GoldenScreen again;
  if (!marl::ParseGolden(text, &again, &error) || marl::GoldenText(again) != text) std::abort();
  marl::ScreenImage image = ImageOf(golden);
  if (!marl::CompareGolden(golden, image).matches()) std::abort();
  // A screen a little off: a short image and a moved cursor.
  image.bytes.resize(image.bytes.size() / 2);
  ++image.cursor_column;
  const marl::GoldenComparison comparison = marl::CompareGolden(golden, image);
  marl::GoldenDiffText(golden, image, comparison);
  marl::Failure failure;
  failure.screen = image;
  failure.reason = std::string(input.substr(0, 100));
  marl::FailureReportText(failure);
  return 0;
}
