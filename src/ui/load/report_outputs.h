// What a load run adds to its counts for a report that can be merged,
// judged and plotted: the options for it (--shard, --start-at, --threshold,
// --html, --merge), the run's settings and the HTML page's file.
#pragma once

#include <string>

#include "ui/load/load_driver.h"
#include "ui/load/load_report.h"
#include "ui/load/load_script.h"

namespace marl {

bool IsReportOption(const std::string& name);
bool ParseReportOption(const std::string& name, const std::string& value, LoadOptions* options,
                       std::string* error);

// A digest of the script's commands: shards of one run agree on it
// wherever the file lies.
std::string ScriptId(const LoadScript& script);

// The settings the report keeps and the thresholds' verdicts.
void CompleteReport(const LoadOptions& options, const LoadScript& script, LoadReport* report);

// Writes `text` to `path` whole; false with `error` set when it could not.
bool WriteWholeFile(const std::string& path, const std::string& text, std::string* error);

}  // namespace marl
