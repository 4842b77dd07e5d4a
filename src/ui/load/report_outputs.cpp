#include "ui/load/report_outputs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "ui/load/thresholds.h"

namespace marl {

bool IsReportOption(const std::string& name) {
  return name == "--shard" || name == "--start-at" || name == "--threshold" || name == "--html" ||
         name == "--merge";
}

bool ParseReportOption(const std::string& name, const std::string& value, LoadOptions* o,
                       std::string* error) {
  o->given = true;
  if (name == "--shard") return ParseShard(value, &o->shard, error);
  if (name == "--start-at") return ParseStartAt(value, &o->start_at, error);
  if (name == "--threshold") {
    Threshold checked;
    if (!ParseThreshold(value, &checked, error)) return false;
    o->thresholds.push_back(checked.text);
    return true;
  }
  if (value.empty()) {
    *error = name + " needs a file";
    return false;
  }
  if (name == "--html") {
    o->html = value;
  } else {
    o->merge.push_back(value);
  }
  return true;
}

std::string ScriptId(const LoadScript& script) {
  // FNV-1a over the commands as read, comments and blank lines left out.
  uint64_t hash = 14695981039346656037ull;
  for (const ScriptLine& line : script.lines) {
    for (const char c : line.text + "\n") {
      hash ^= uint8_t(c);
      hash *= 1099511628211ull;
    }
  }
  char text[20];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

void CompleteReport(const LoadOptions& o, const LoadScript& script, LoadReport* report) {
  LoadSettings& s = report->settings;
  s.script = o.script;
  s.script_id = ScriptId(script);
  s.load = o.terminals;
  if (o.shard.given()) {
    s.shards = {std::to_string(o.shard.index) + "/" + std::to_string(o.shard.count)};
  }
  s.duration_s = o.duration_s;
  s.iterations = o.iterations;
  s.ramp = o.ramp;
  s.size = std::to_string(o.start.columns) + "x" + std::to_string(o.start.rows);
  s.command_line = o.command_line;
  s.start_at = o.start_at;
  JudgeThresholds(o.thresholds, report);
}

bool WriteWholeFile(const std::string& path, const std::string& text, std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "w");
  bool ok = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (file != nullptr && std::fclose(file) != 0) ok = false;
  if (!ok) *error = "cannot write " + path + ": " + std::strerror(errno);
  return ok;
}

}  // namespace marl
