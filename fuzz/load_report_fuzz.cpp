// Load reports from elsewhere, as --merge reads them: any bytes through the
// JSON reader and the report's reader; what is accepted is merged with
// itself, judged, and written back as JSON and as the HTML page.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ui/load/html_report.h"
#include "ui/load/report_json.h"
#include "ui/load/report_merge.h"
#include "ui/load/thresholds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  marl::LoadReport report;
  std::string error;
  if (!marl::ParseReportJson(text, &report, &error)) {
    if (error.empty()) std::abort();  // a refusal always says why
    return 0;
  }
  // What is written reads back as the same report.
  marl::LoadReport again;
  if (!marl::ParseReportJson(marl::ReportJson(report), &again, &error)) std::abort();
  if (!(again.response.overall() == report.response.overall())) std::abort();
  again.settings.shards.clear();
  if (!marl::MergeReport(again, "b.json", "a.json", &report, &error)) std::abort();
  marl::JudgeThresholds({"p99<200ms", "errors<1%", "x:p50<1s", "screens/s>5"}, &report);
  (void)marl::ReportHtml(report);
  (void)marl::ReportText(report);
  return 0;
}
