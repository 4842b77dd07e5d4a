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
#include "ui/core/command_words.h"
#include "ui/core/core_platform.h"
#include "ui/core/interpreter.h"

namespace marl {

namespace {

// A terminal that is not connected, for trying commands out: what it would
// send is kept, not sent.
struct TrialTerminal {
  CorePlatform platform{CorePlatform::HostData::kInline};
  std::unique_ptr<Terminal> terminal = std::make_unique<Terminal>(&platform);
  Interpreter interpreter{*terminal, platform, nullptr};

  TrialTerminal(const std::string& script, bool update_goldens, int32_t rows, int32_t columns) {
    Terminal& t = *terminal;
    platform.Attach(&t);
    interpreter.set_trial(true);
    interpreter.set_script(script);
    interpreter.set_update_goldens(update_goldens);
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
    interpreter.Start(line, Interpreter::Clock::now());
    terminal->link.sent.clear();
    platform.TakeEvents();
    return interpreter.error();
  }
};

}  // namespace

std::string FillPlaceholders(std::string_view text, int64_t terminal, int64_t iteration,
                             std::string* out) {
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
      return "bad placeholder {" + std::string(inside) +
             (close == std::string_view::npos ? "" : "}") + ": use {n}, {n:0W}, {i} or {i%N}";
    }
    const int64_t value = wrapped            ? (iteration - 1) % round + 1
                          : inside[0] == 'i' ? iteration
                                             : terminal;
    std::string number = std::to_string(value);
    if (number.size() < size_t(width)) number.insert(0, size_t(width) - number.size(), '0');
    *out += number;
    i = close + 1;
  }
  return "";
}

std::string ReadLoadScript(const std::string& path, int32_t rows, int32_t columns,
                           LoadScript* script, bool update_goldens) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return path + ": " + std::strerror(errno);
  script->path = path;
  script->lines.clear();
  TrialTerminal trial(path, update_goldens, rows, columns);
  std::string text;
  std::string filled;
  std::string reason;
  for (int32_t number = 1; std::getline(file, text); ++number) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || text[first] == '#') continue;
    reason = FillPlaceholders(text, 1, 1, &filled);
    if (reason.empty()) reason = trial.Try(filled);
    if (!reason.empty()) return path + ":" + std::to_string(number) + ": " + reason;
    script->lines.push_back({number, text});
  }
  if (script->lines.empty()) return path + ": no commands";
  return "";
}

}  // namespace marl
