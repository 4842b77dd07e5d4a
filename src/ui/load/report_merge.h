// marlsim --merge: the JSON reports of several load runs (the shards of one
// run, usually) combined into one: counts added, histograms merged bucket
// by bucket, the seconds of their timelines lined up on the wall clock,
// and the thresholds judged again on the whole.
#pragma once

#include <string>

#include "ui/load/load_driver.h"
#include "ui/load/load_report.h"

namespace marl {

// Report files larger than this are refused rather than read.
constexpr size_t kMaxReportBytes = size_t(512) << 20;

// False with `error` ("FILE: reason") when the file cannot be read or is not
// a load report.
bool ReadReportFile(const std::string& path, LoadReport* report, std::string* error);

// Adds `more` into `into`; refuses (false, `error` naming `more_name`) a
// report of another script or of a shard `into` holds already.
bool MergeReport(const LoadReport& more, const std::string& more_name, const std::string& into_name,
                 LoadReport* into, std::string* error);

// Reads options.merge in order, merges them and writes the text report, and
// the JSON and HTML ones when asked. Exit status as a load run's, and 1
// when a report cannot be read or merged.
int RunMerge(const LoadOptions& options);

}  // namespace marl
