#include "ui/load/load_script.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/main_window.h"
#include "base/terminal_config.h"
#include "forms/form.h"
#include "platform/messages.h"
#include "screen/display.h"
#include "terminal.h"
#include "ui/headless/automation.h"
#include "ui/headless/automation_words.h"
#include "ui/headless/headless_platform.h"
#include "ui/load/answer_sink.h"

namespace marl {

namespace {

constexpr int64_t kDefaultLimitMs = 5000;
constexpr int64_t kMaxMs = 24LL * 3600 * 1000;
constexpr const char* kWaitUsage =
    "usage: wait ready [MS] | wait output [MS] | wait text \"TEXT\" [MS] | wait quiet MS | "
    "wait closed [MS]";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

bool OptionalLimit(const std::vector<std::string>& w, size_t index, int64_t* limit) {
  *limit = kDefaultLimitMs;
  if (w.size() <= index) return true;
  return w.size() == index + 1 && ParseNumber(w[index], 0, kMaxMs, limit);
}

bool ParseWait(const std::vector<std::string>& w, WaitSpec* wait) {
  if (w.size() < 2) return false;
  const std::string what = Lower(w[1]);
  if (what == "ready") {
    wait->kind = WaitKind::kReady;
    return OptionalLimit(w, 2, &wait->limit_ms);
  }
  if (what == "output") {
    wait->kind = WaitKind::kOutput;
    return OptionalLimit(w, 2, &wait->limit_ms);
  }
  if (what == "closed") {
    wait->kind = WaitKind::kClosed;
    return OptionalLimit(w, 2, &wait->limit_ms);
  }
  if (what == "text") {
    wait->kind = WaitKind::kText;
    if (w.size() < 3) return false;
    wait->text = w[2];
    return OptionalLimit(w, 3, &wait->limit_ms);
  }
  if (what == "quiet") {
    wait->kind = WaitKind::kQuiet;
    return w.size() == 3 && ParseNumber(w[2], 0, kMaxMs, &wait->limit_ms);
  }
  return false;
}

// A terminal that is not connected, for trying commands out: what it would
// send is kept, not sent.
struct TrialTerminal {
  HeadlessPlatform platform{false};
  std::unique_ptr<Terminal> terminal = std::make_unique<Terminal>(&platform);
  AnswerSink answers;
  Automation automation{*terminal, platform, -1, answers.file()};

  TrialTerminal(int32_t rows, int32_t columns) {
    Terminal& t = *terminal;
    platform.Attach(&t);
    t.link.capture_sends = true;
    t.screen.rows = rows;
    t.screen.columns = columns;
    SetTerminalCols(t, columns);
    SetTerminalRows(t, rows);
    MainWindowProc(t, kWmCreate, 0, 0);
    CreateTerminalConfig(t);
    ResizeScreenGrid(t);
  }
  std::string Try(const std::string& line) {
    automation.Execute(line);
    terminal->link.sent.clear();
    platform.TakeEvents();
    return answers.TakeError();
  }
};

}  // namespace

bool ParseLoadCommand(std::string_view line, LoadCommand* command, WaitSpec* wait,
                      std::string* error) {
  std::vector<std::string> w;
  if (!SplitCommandWords(line, &w, error)) return false;
  const std::string name = Lower(w[0]);
  *command = LoadCommand::kAutomation;
  if (name == "wait") {
    *command = LoadCommand::kWait;
    if (!ParseWait(w, wait)) {
      *error = kWaitUsage;
      return false;
    }
  } else if (name == "sleep") {
    *command = LoadCommand::kSleep;
    wait->kind = WaitKind::kSleep;
    if (w.size() != 2 || !ParseNumber(w[1], 0, kMaxMs, &wait->limit_ms)) {
      *error = "usage: sleep MS";
      return false;
    }
  } else if (name == "quit") {
    *command = LoadCommand::kQuit;
  }
  return true;
}

bool FillPlaceholders(std::string_view text, int64_t terminal, int64_t iteration, std::string* out,
                      std::string* error) {
  out->clear();
  for (size_t i = 0; i < text.size();) {
    if (text[i] != '{') {
      out->push_back(text[i++]);
      continue;
    }
    const size_t close = text.find('}', i);
    const std::string_view inside =
        close == std::string_view::npos ? text.substr(i + 1) : text.substr(i + 1, close - i - 1);
    // Braces around anything else are the text's own.
    if (inside != "i" && inside.substr(0, 2) != "i%" && inside.substr(0, 1) != "n") {
      out->push_back(text[i++]);
      continue;
    }
    int64_t width = 0;
    int64_t round = 0;  // {i%N}: the iteration counted round from 1 to N
    const bool padded = inside.size() >= 4 && inside.substr(0, 3) == "n:0" &&
                        ParseNumber(inside.substr(3), 1, 20, &width);
    const bool wrapped = inside.size() >= 3 && inside.substr(0, 2) == "i%" &&
                         ParseNumber(inside.substr(2), 1, 1000000000, &round);
    if (close == std::string_view::npos ||
        (inside != "i" && inside != "n" && !padded && !wrapped)) {
      *error = "bad placeholder {" + std::string(inside) +
               (close == std::string_view::npos ? "" : "}") + ": use {n}, {n:0W}, {i} or {i%N}";
      return false;
    }
    const int64_t value = wrapped            ? (iteration - 1) % round + 1
                          : inside[0] == 'i' ? iteration
                                             : terminal;
    std::string number = std::to_string(value);
    if (number.size() < size_t(width)) number.insert(0, size_t(width) - number.size(), '0');
    *out += number;
    i = close + 1;
  }
  return true;
}

bool ReadLoadScript(const std::string& path, int32_t rows, int32_t columns, LoadScript* script,
                    std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  script->path = path;
  script->lines.clear();
  TrialTerminal trial(rows, columns);
  std::string text;
  std::string filled;
  std::string reason;
  for (int32_t number = 1; std::getline(file, text); ++number) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || text[first] == '#') continue;
    LoadCommand command;
    WaitSpec wait;
    bool ok = FillPlaceholders(text, 1, 1, &filled, &reason) &&
              ParseLoadCommand(filled, &command, &wait, &reason);
    if (ok && command == LoadCommand::kAutomation) {
      reason = trial.Try(filled);
      ok = reason.empty();
    }
    if (!ok) {
      *error = path + ":" + std::to_string(number) + ": " + reason;
      return false;
    }
    script->lines.push_back({number, text});
  }
  if (script->lines.empty()) {
    *error = path + ": no commands";
    return false;
  }
  return true;
}

}  // namespace marl
