#include "ui/load/report_merge.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "ui/load/html_report.h"
#include "ui/load/report_json.h"
#include "ui/load/report_outputs.h"
#include "ui/load/thresholds.h"

namespace marl {

bool ReadReportFile(const std::string& path, LoadReport* report, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot read it: " + std::strerror(errno);
    return false;
  }
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || uint64_t(size) > kMaxReportBytes) {
    *error = path + ": too large for a load report";
    return false;
  }
  in.seekg(0);
  std::string text(size_t(size), '\0');
  if (!in.read(text.data(), size)) {
    *error = path + ": cannot read it";
    return false;
  }
  std::string why;
  if (!ParseReportJson(text, report, &why)) {
    *error = path + ": " + why;
    return false;
  }
  return true;
}

bool MergeReport(const LoadReport& more, const std::string& more_name, const std::string& into_name,
                 LoadReport* into, std::string* error) {
  if (more.settings.script_id != into->settings.script_id) {
    *error = "cannot merge " + more_name + ": its script (" + more.settings.script + ") is not " +
             into_name + "'s (" + into->settings.script + ")";
    return false;
  }
  // The same shard twice is the same report given twice: it would count
  // its terminals twice.
  for (const std::string& shard : more.settings.shards) {
    if (std::find(into->settings.shards.begin(), into->settings.shards.end(), shard) !=
        into->settings.shards.end()) {
      *error = "cannot merge " + more_name + ": shard " + shard + " is merged already";
      return false;
    }
  }
  const double end = std::max(into->started_at + into->seconds, more.started_at + more.seconds);
  into->started_at = std::min(into->started_at, more.started_at);
  into->seconds = end - into->started_at;
  into->terminals += more.terminals;
  LoadTotals& t = into->totals;
  t.connected += more.totals.connected;
  t.iterations += more.totals.iterations;
  t.commands += more.totals.commands;
  t.screens += more.totals.screens;
  t.replies += more.totals.replies;
  for (size_t k = 0; k < kLoadErrorKinds; ++k) t.errors[k] += more.totals.errors[k];
  into->response.Merge(more.response);
  into->failures.insert(into->failures.end(), more.failures.begin(), more.failures.end());
  std::stable_sort(
      into->failures.begin(), into->failures.end(),
      [](const TerminalFailure& a, const TerminalFailure& b) { return a.terminal < b.terminal; });
  into->peak_memory_kib += more.peak_memory_kib;
  if (into->stopped.empty()) into->stopped = more.stopped;
  for (const auto& [second, s] : more.timeline) {
    SecondCounts& mine = into->timeline[second];
    mine.screens += s.screens;
    mine.replies += s.replies;
    mine.iterations += s.iterations;
    mine.errors += s.errors;
    mine.running += s.running;
  }
  LoadSettings& settings = into->settings;
  settings.shards.insert(settings.shards.end(), more.settings.shards.begin(),
                         more.settings.shards.end());
  for (const ThresholdVerdict& v : more.thresholds) into->thresholds.push_back(v);
  return true;
}

int RunMerge(const LoadOptions& o) {
  auto refuse = [&](const std::string& message) {
    std::fprintf(o.progress, "marlsim: %s\n", message.c_str());
    return 1;
  };
  if (o.terminals > 0) return refuse("--merge combines reports; it runs no terminals (no --load)");
  LoadReport merged;
  std::string error;
  for (size_t i = 0; i < o.merge.size(); ++i) {
    LoadReport one;
    if (!ReadReportFile(o.merge[i], &one, &error)) return refuse(error);
    if (i == 0) {
      merged = std::move(one);
    } else if (!MergeReport(one, o.merge[i], o.merge[0], &merged, &error)) {
      return refuse(error);
    }
  }
  // The reports' own thresholds and this command's, each once, judged on
  // the whole.
  std::vector<std::string> thresholds;
  for (const ThresholdVerdict& v : merged.thresholds) thresholds.push_back(v.threshold);
  thresholds.insert(thresholds.end(), o.thresholds.begin(), o.thresholds.end());
  std::vector<std::string> once;
  for (const std::string& t : thresholds) {
    if (std::find(once.begin(), once.end(), t) == once.end()) once.push_back(t);
  }
  JudgeThresholds(once, &merged);

  const std::string text = ReportText(merged);
  std::fwrite(text.data(), 1, text.size(), o.output);
  std::fflush(o.output);
  if (!o.report.empty() && !WriteWholeFile(o.report, ReportJson(merged), &error)) {
    return refuse(error);
  }
  if (!o.html.empty() && !WriteWholeFile(o.html, ReportHtml(merged), &error)) {
    return refuse(error);
  }
  return merged.Status();
}

}  // namespace marl
