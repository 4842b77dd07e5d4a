#include "ui/load/test_runner.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "terminal.h"
#include "ui/core/command_words.h"
#include "ui/core/run_program.h"
#include "ui/core/window_views.h"
#include "ui/load/load_driver.h"
#include "ui/load/load_script.h"
#include "ui/load/load_terminal.h"
#include "ui/load/load_worker.h"
#include "ui/testkit/case_results.h"
#include "ui/testkit/junit_xml.h"
#include "ui/testkit/text_file.h"

namespace marl {

namespace {

using Clock = std::chrono::steady_clock;

int64_t MsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

std::string Rows(const std::vector<std::string>& rows) {
  std::string out;
  for (const std::string& row : rows) out += "|" + row + "|\n";
  return out;
}

// One case's own folder under --artifacts: its name, made unique.
std::vector<std::string> ArtifactFolders(const std::vector<std::string>& scripts) {
  std::vector<std::string> names;
  std::map<std::string, int> seen;
  for (const std::string& script : scripts) {
    const std::string name = CaseName(script);
    const int n = ++seen[name];
    names.push_back(n == 1 ? name : name + "-" + std::to_string(n));
  }
  return names;
}

struct Case {
  LoadScript script;
  std::string folder;  // under --artifacts
  std::FILE* trace = nullptr;
  Clock::time_point started;
  CaseResult result;
};

// A failed case's files: what the person saw, the attributes, the
// pixels, the events and the wire.
void KeepArtifacts(const std::string& dir, const std::shared_ptr<const GlyphAtlas>& atlas,
                   const std::string& no_pixels, Case& c, LoadTerminal& terminal) {
  const std::string folder = dir + "/" + c.folder;
  if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return;
  std::string error;
  const WindowView view = terminal.platform().VisibleWindow();
  int32_t row = 0;
  int32_t column = 0;
  VisibleCursor(terminal.terminal(), view, &row, &column);
  WriteTextFile(
      folder + "/screen.txt",
      c.result.report.empty() ? WindowText(view, "screen", row, column, false) : c.result.report,
      &error);
  WriteTextFile(folder + "/attributes.txt", WindowText(view, "attrs", row, column, true), &error);
  std::string events;
  for (const std::string& event : terminal.recent_events()) events += event + "\n";
  WriteTextFile(folder + "/events.txt", events, &error);
  std::string why = no_pixels;
  if (atlas != nullptr) why = terminal.platform().Snapshot(folder + "/snapshot.png");
  if (!why.empty()) WriteTextFile(folder + "/snapshot.txt", "no snapshot: " + why + "\n", &error);
  if (c.trace != nullptr) {
    std::fflush(c.trace);
    std::string trace;
    std::rewind(c.trace);
    char buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, c.trace)) > 0) trace.append(buffer, n);
    WriteTextFile(folder + "/trace.txt", trace, &error);
  }
}

// How many cases can run at once within the open-file limit (raised to its
// hard limit first): a socket, a trace file and the in-process demo
// host's end of the connection each, and room to spare.
size_t CasesTheFilesAllow() {
  constexpr rlim_t kSpare = 64;
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return SIZE_MAX;
  if (limit.rlim_cur != limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    getrlimit(RLIMIT_NOFILE, &limit);
  }
  if (limit.rlim_cur == RLIM_INFINITY) return SIZE_MAX;
  return limit.rlim_cur > kSpare + 3 ? size_t((limit.rlim_cur - kSpare) / 3) : 1;
}

}  // namespace

bool IsTestOption(const std::string& name) {
  return name == "--test" || name == "--jobs" || name == "--junit" || name == "--artifacts";
}

bool ParseTestOption(const std::string& name, const std::string& value, TestRunOptions* options,
                     std::string* error) {
  if (value.empty()) {
    *error = name + " needs a value";
    return false;
  }
  if (name == "--test") {
    options->paths.push_back(value);
  } else if (name == "--jobs") {
    if (!ParseNumber(value, 1, 100000, &options->jobs)) {
      *error = "--jobs needs a whole number from 1 to 100000";
      return false;
    }
  } else if (name == "--junit") {
    options->junit = value;
  } else {
    options->artifacts = value;
  }
  return true;
}

int RunTests(const TestRunOptions& o) {
  const auto fail = [&o](const std::string& line) {
    std::fprintf(o.diagnostics, "marlsim: %s\n", line.c_str());
    return 1;
  };
  if (o.paths.empty()) return fail("--jobs, --junit and --artifacts go with --test");
  std::vector<std::string> scripts;
  std::string error;
  if (!CollectScripts(o.paths, &scripts, &error)) return fail(error);
  // Every path is checked before the first case runs.
  if (!o.junit.empty() && !CheckWritable(o.junit, &error)) return fail(error);
  if (!o.artifacts.empty()) {
    if (mkdir(o.artifacts.c_str(), 0777) != 0 && errno != EEXIST) {
      return fail("cannot write " + o.artifacts + ": " + std::strerror(errno));
    }
    if (!CheckWritable(o.artifacts + "/.marlsim-check", &error)) return fail(error);
  }
  // As a load run: nobody is there to answer the setup window.
  StartOptions start = o.start;
  ScreenSize(start, &start.rows, &start.columns);
  const std::vector<std::string> folders = ArtifactFolders(scripts);
  std::vector<std::unique_ptr<Case>> cases;
  for (size_t i = 0; i < scripts.size(); ++i) {
    auto c = std::make_unique<Case>();
    error = ReadLoadScript(scripts[i], start.rows, start.columns, &c->script, o.update_goldens);
    if (!error.empty()) return fail(error);
    c->folder = folders[i];
    c->result.script = scripts[i];
    cases.push_back(std::move(c));
  }
  std::shared_ptr<const GlyphAtlas> atlas;
  std::string no_pixels;
  if (!o.artifacts.empty()) atlas = LoadGlyphs(&no_pixels);

  LoadLimits limits;
  limits.iterations = 1;
  limits.update_goldens = o.update_goldens;
  const size_t jobs = std::min(o.jobs > 0 ? size_t(o.jobs) : cases.size(), CasesTheFilesAllow());
  std::mutex mutex;
  std::condition_variable cv;
  size_t running = 0;
  size_t passed = 0;
  const auto report = [&](Case& c) {
    // Under the lock: one case's lines at a time.
    std::fprintf(o.output, "%s\n", CaseLine(c.result).c_str());
    if (!c.result.passed && !c.result.report.empty()) {
      std::fputs(c.result.report.c_str(), o.output);
    }
    std::fflush(o.output);
  };
  const auto finished = [&](LoadTerminal& terminal) {
    Case& c = *cases[size_t(terminal.number() - 1)];
    c.result.duration_ms = MsBetween(c.started, Clock::now());
    c.result.passed = !terminal.failed();
    c.result.report = terminal.report();
    c.result.message = terminal.failure_line();
    if (!o.artifacts.empty() && !c.result.passed) {
      KeepArtifacts(o.artifacts, atlas, no_pixels, c, terminal);
    }
    if (c.trace != nullptr) {
      // Its descriptor goes back at once, for the cases still to come.
      terminal.terminal().link.trace = nullptr;
      std::fclose(c.trace);
      c.trace = nullptr;
    }
    std::lock_guard lock(mutex);
    report(c);
    passed += c.result.passed ? 1 : 0;
    --running;
    cv.notify_all();
  };
  const size_t processors = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::unique_ptr<LoadWorker>> workers;
  for (size_t i = 0; i < std::min(processors, std::min(jobs, cases.size())); ++i) {
    workers.push_back(std::make_unique<LoadWorker>());
    if (!workers.back()->ok()) return fail("cannot run the cases: out of descriptors");
    workers.back()->finished = finished;
    workers.back()->Start();
  }
  const Clock::time_point run_started = Clock::now();
  for (size_t i = 0; i < cases.size(); ++i) {
    {
      std::unique_lock lock(mutex);
      cv.wait(lock, [&] { return running < jobs; });
      ++running;
    }
    Case& c = *cases[i];
    auto terminal = std::make_unique<LoadTerminal>(int64_t(i + 1), c.script, limits);
    if (!o.artifacts.empty()) {
      c.trace = std::tmpfile();
      terminal->terminal().link.trace = c.trace;
      if (atlas != nullptr) terminal->platform().KeepPixels(atlas, 1);
    }
    c.started = Clock::now();
    TerminalFailure failure;
    if (!terminal->Start(o.command_line, start, TerminalSourceAddress(int64_t(i + 1)), &failure)) {
      c.result.duration_ms = MsBetween(c.started, Clock::now());
      c.result.message = failure.reason;
      c.result.report = "screen:\n" + Rows(failure.screen) + "error: " + failure.reason + "\n";
      std::lock_guard lock(mutex);
      report(c);
      --running;
      continue;
    }
    workers[i % workers.size()]->Add(std::move(terminal));
  }
  for (auto& worker : workers) worker->NoMoreTerminals();
  for (auto& worker : workers) worker->Join();
  const int64_t total_ms = MsBetween(run_started, Clock::now());

  std::vector<CaseResult> results;
  for (auto& c : cases) {
    // A case whose terminal never started kept its trace file open.
    if (c->trace != nullptr) std::fclose(c->trace);
    results.push_back(c->result);
  }
  std::fprintf(o.output, "%s\n", SummaryLine(results).c_str());
  std::fflush(o.output);
  if (!o.junit.empty()) {
    const std::string xml = JUnitXml(SuiteOf("marlsim", results, total_ms));
    if (!WriteTextFile(o.junit, xml, &error)) return fail(error);
  }
  return passed == results.size() ? 0 : 2;
}

}  // namespace marl
