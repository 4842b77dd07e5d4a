// The load report as one HTML page for people: figures at a glance, charts
// of screens a second, response-time percentiles and errors over the run,
// the table of transactions, the thresholds' verdicts and the run's
// settings. Self-contained: inline SVG and CSS, no script, nothing fetched.
#pragma once

#include <string>

#include "ui/load/load_report.h"

namespace marl {

std::string ReportHtml(const LoadReport& report);

}  // namespace marl
