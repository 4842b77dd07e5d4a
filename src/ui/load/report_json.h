// The JSON report read back: what `--merge` combines. The writer is
// `ReportJson` (load_report.h); both live in report_json.cpp so the two
// sides of the format stay together.
#pragma once

#include <string>
#include <string_view>

#include "ui/load/load_report.h"

namespace marl {

// The format's version; a reader refuses any other.
constexpr int kReportVersion = 1;

// False with `error` set when `text` is not a load report this version
// writes, or its parts disagree.
bool ParseReportJson(std::string_view text, LoadReport* report, std::string* error);

}  // namespace marl
