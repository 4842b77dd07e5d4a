#include "ui/testkit/case_results.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "ui/testkit/duration.h"
#include "ui/testkit/quoting.h"

namespace marl {

namespace {

constexpr size_t kLongest = 300;

bool EndsWith(const std::string& text, const char* end) {
  const size_t n = std::strlen(end);
  return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

bool IsScriptName(const std::string& name) {
  return !name.empty() && name[0] != '.' && !EndsWith(name, "~") && !EndsWith(name, ".golden");
}

// The scripts of one folder, or false with `error`.
bool FolderScripts(const std::string& folder, std::vector<std::string>* scripts,
                   std::string* error) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) {
    *error = "cannot read " + PrintableLine(folder, kLongest) + ": " + std::strerror(errno);
    return false;
  }
  std::vector<std::string> found;
  const std::string prefix = EndsWith(folder, "/") ? folder : folder + "/";
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    struct stat st {};
    if (IsScriptName(name) && stat((prefix + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      found.push_back(prefix + name);
    }
  }
  closedir(dir);
  if (found.empty()) {
    *error = "no scripts in " + PrintableLine(folder, kLongest);
    return false;
  }
  std::sort(found.begin(), found.end());
  scripts->insert(scripts->end(), found.begin(), found.end());
  return true;
}

}  // namespace

bool CollectScripts(const std::vector<std::string>& paths, std::vector<std::string>* scripts,
                    std::string* error) {
  for (const std::string& path : paths) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
      *error = "cannot read " + PrintableLine(path, kLongest) + ": " + std::strerror(errno);
      return false;
    }
    if (S_ISDIR(st.st_mode)) {
      if (!FolderScripts(path, scripts, error)) return false;
    } else if (S_ISREG(st.st_mode)) {
      scripts->push_back(path);
    } else {
      *error = PrintableLine(path, kLongest) + " is not a script file or a folder";
      return false;
    }
  }
  return true;
}

std::string CaseName(const std::string& script) {
  const size_t slash = script.find_last_of('/');
  std::string name = slash == std::string::npos ? script : script.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

std::string CaseLine(const CaseResult& result) {
  std::string line = std::string(result.passed ? "pass  " : "FAIL  ") +
                     PrintableLine(CaseName(result.script), kLongest) + "  " +
                     FormatDuration(result.duration_ms);
  if (!result.passed && !result.message.empty()) {
    line += "  " + PrintableLine(result.message, kLongest);
  }
  return line;
}

std::string SummaryLine(const std::vector<CaseResult>& results) {
  const auto passed =
      std::count_if(results.begin(), results.end(), [](const CaseResult& r) { return r.passed; });
  return std::to_string(passed) + " passed, " + std::to_string(results.size() - size_t(passed)) +
         " failed";
}

JUnitSuite SuiteOf(const std::string& name, const std::vector<CaseResult>& results,
                   int64_t duration_ms) {
  JUnitSuite suite;
  suite.name = name;
  suite.duration_ms = duration_ms;
  for (const CaseResult& r : results) {
    JUnitCase c;
    c.name = CaseName(r.script);
    const size_t slash = r.script.find_last_of('/');
    c.class_name = slash == std::string::npos ? "." : r.script.substr(0, slash);
    c.duration_ms = r.duration_ms;
    c.failed = !r.passed;
    c.message = r.message;
    c.details = r.report;
    suite.cases.push_back(std::move(c));
  }
  return suite;
}

}  // namespace marl
