#include "ui/core/interpreter.h"

#include <algorithm>
#include <cctype>

#include "app/app_state.h"
#include "base/session.h"
#include "input/key_processor.h"
#include "platform/messages.h"
#include "screen/display.h"
#include "terminal.h"
#include "ui/core/command_words.h"
#include "ui/core/core_platform.h"
#include "ui/core/test_views.h"
#include "ui/core/window_input.h"
#include "ui/core/window_views.h"
#include "ui/testkit/duration.h"
#include "ui/testkit/golden_compare.h"

namespace marl {

namespace {

// However long an unknown command's word, its error stays one short line.
constexpr size_t kQuotedWord = 80;
// A transaction's name goes into reports and Locust's tables: one short line.
constexpr size_t kLongestMark = 100;
constexpr const char* kExpectHelp =
    "expect text \"TEXT\" [DURATION] | expect row R \"TEXT\" | expect cursor ROW COL | "
    "expect field F \"VALUE\" | expect screen FILE [DURATION]";
constexpr const char* kWaitUsage =
    "wait ready [MS] | wait output [MS] | wait text \"TEXT\" [MS] | wait quiet MS | "
    "wait closed [MS]";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return text;
}

std::string Usage(const char* usage) {
  return std::string("usage: ") + usage;
}

// A duration word (500, 500ms, 5s, 1.5s); false when it is malformed.
bool DurationWord(const std::string& word, int64_t* ms) {
  std::string error;
  return ParseDuration(word, ms, &error);
}

struct KeyMessage {
  uint32_t message = 0;
  uint32_t code = 0;
  bool shift = false;
};

// A key as the window delivers it; false for an unknown name.
bool LookUpKey(const std::string& key_name, KeyMessage* key) {
  const std::string name = Lower(key_name);
  struct Named {
    const char* name;
    uint32_t message;
    uint32_t code;
  };
  static constexpr Named kKeys[] = {
      {"enter", kWmChar, '\r'},          {"tab", kWmChar, '\t'},
      {"backspace", kWmChar, '\b'},      {"esc", kWmChar, 0x1B},
      {"space", kWmChar, ' '},           {"pageup", kWmKeyDown, kVkPrior},
      {"pagedown", kWmKeyDown, kVkNext}, {"end", kWmKeyDown, kVkEnd},
      {"home", kWmKeyDown, kVkHome},     {"left", kWmKeyDown, kVkLeft},
      {"up", kWmKeyDown, kVkUp},         {"right", kWmKeyDown, kVkRight},
      {"down", kWmKeyDown, kVkDown},     {"insert", kWmKeyDown, kVkInsert},
      {"delete", kWmKeyDown, kVkDelete}, {"alt+f10", kWmSysKeyDown, kVkF10},
      {"alt+f4", kWmSysKeyDown, kVkF4},
  };
  for (const Named& k : kKeys) {
    if (name == k.name) {
      *key = {k.message, k.code, false};
      return true;
    }
  }
  if (name == "shift+tab") {
    *key = {kWmChar, '\t', true};
    return true;
  }
  if (name.size() == 6 && name.compare(0, 5, "ctrl+") == 0 && name[5] >= 'a' && name[5] <= 'z') {
    *key = {kWmChar, uint32_t(name[5] - 'a' + 1), false};
    return true;
  }
  int64_t n = 0;
  if (name.size() >= 2 && name[0] == 'f' && ParseNumber(name.substr(1), 1, 24, &n) &&
      name[1] != '0') {
    *key = {kWmKeyDown, uint32_t(kVkF1 + n - 1), false};
    return true;
  }
  return false;
}

}  // namespace

bool OptionalLimit(const std::vector<std::string>& w, size_t index, int64_t fallback,
                   int64_t* limit) {
  *limit = fallback;
  if (w.size() <= index) return true;
  return w.size() == index + 1 && DurationWord(w[index], limit);
}

// One command of the language: its name, its line in `help` (null for none),
// what runs it, and whether it reads the window (which `wait output` counts
// from). A command may be another's form: it then takes only `form` for its
// first word, and a malformed line gets its own usage, its `help` line.
struct Interpreter::Command {
  const char* name;
  const char* help;
  std::string (Interpreter::*run)(const Words&);
  bool reads_window = false;
  const char* form = nullptr;
};

const Interpreter::Command* Interpreter::Find(std::string_view name) {
  // In the order `help` lists them.
  static const Command kCommands[] = {
      {"type", "type \"TEXT\"", &Interpreter::Type},
      {"key", "key NAME", &Interpreter::Key},
      {"hotkey", "hotkey N", &Interpreter::HotKey},
      {"click", "click X Y | click cell ROW COL", &Interpreter::Click},
      {"keycode", "keycode N", &Interpreter::KeyCode},
      {"screen", "screen", &Interpreter::Screen, true},
      {"attrs", "attrs", &Interpreter::Attrs, true},
      {"grid", "grid", &Interpreter::Grid, true},
      {"state", "state", &Interpreter::State, true},
      {"events", "events", &Interpreter::Events},
      {"answer", "answer ok|cancel", &Interpreter::Answer},
      {"wait", "wait ready|output|text \"TEXT\"|quiet|closed [MS]", &Interpreter::WaitFor},
      {"expect", kExpectHelp, &Interpreter::Expect},
      {"set", "set timeout DURATION", &Interpreter::Set},
      {"sleep", "sleep MS", &Interpreter::Sleep},
      {"scan", "scan \"DATA\"", &Interpreter::Scan},
      {"snapshot", "snapshot FILE.png", &Interpreter::Snapshot},
      {"mark", "mark \"NAME\"", &Interpreter::Mark},
      {"help", "help", &Interpreter::Help},
      {"quit", "quit", &Interpreter::Quit},
      {nullptr, nullptr, nullptr},
  };
  if (name.empty()) return kCommands;
  for (const Command* c = kCommands; c->name != nullptr; ++c) {
    if (name == c->name) return c;
  }
  return nullptr;
}

Interpreter::Interpreter(Terminal& t, CorePlatform& core, AnswerSink* sink)
    : t_(t), core_(core), sink_(sink) {}

void Interpreter::Write(std::string_view text) {
  if (sink_ != nullptr) sink_->Write(text);
}

Interpreter::Step Interpreter::Start(std::string_view line, Clock::time_point now) {
  now_ = now;
  wait_ = Wait();
  last_was_wait_ = false;
  last_timed_out_ = false;
  report_.clear();
  const size_t first = line.find_first_not_of(" \t");
  if (first == std::string_view::npos || line[first] == '#') {
    error_.clear();
    return Step::kAnswered;
  }
  bool answered = false;
  bool* const outer = answered_early_;
  answered_early_ = &answered;
  Words w;
  std::string error = SplitCommandWords(line, &w);
  if (error.empty()) {
    const Command* command = Find(Lower(w[0]));
    if (command == nullptr) {
      error = "unknown command " + JsonString(std::string_view(w[0]).substr(0, kQuotedWord)) +
              (w[0].size() > kQuotedWord ? "..." : "") + " (help lists the commands)";
    } else if (command->form != nullptr && (w.size() < 2 || Lower(w[1]) != command->form)) {
      error = Usage(command->help);
    } else {
      error = (this->*command->run)(w);
      if (command->reads_window && error.empty()) chunks_at_read_ = core_.chunks_handled();
      if (command->form != nullptr && error.rfind("usage: ", 0) == 0) error = Usage(command->help);
    }
  }
  answered_early_ = outer;
  if (answered) {
    // Answered when its modal window opened; a wait started inside that
    // window goes on.
    if (!waiting()) error_.clear();
    return waiting() ? Step::kWaiting : Step::kAnswered;
  }
  if (error.empty() && waiting()) {
    last_was_wait_ = true;
    if (trial_) {
      wait_.kind = WaitKind::kNone;
      return Finish("");
    }
    return Check(now);
  }
  return Finish(std::move(error));
}

Interpreter::Step Interpreter::Check(Clock::time_point now) {
  if (!waiting()) return Step::kAnswered;
  now_ = now;
  std::string error;
  if (!Look(now, &error)) return Step::kWaiting;
  const Wait wait = std::move(wait_);
  wait_ = Wait();
  last_was_wait_ = true;
  last_timed_out_ = error == "timeout";
  if (error.empty() || wait.kind == WaitKind::kSleep) return Finish(std::move(error));
  // A script's failed wait, and any failed expect, shows why.
  if (wait.expect) {
    std::string reason =
        wait.what + ": " +
        (error == "timeout" ? "not shown within " + FormatDuration(wait.limit_ms) : error);
    std::string extra;
    if (wait.kind == WaitKind::kScreen) {
      const ScreenImage image = ImageOf(t_, core_.VisibleWindow());
      const GoldenComparison comparison = CompareGolden(wait.golden, image);
      extra = GoldenDiffText(wait.golden, image, comparison);
      if (error == "timeout")
        reason = wait.what + ": " + ComparisonSummary(wait.golden, image, comparison);
    }
    Failed(reason, extra);
    return Finish(std::move(reason));
  }
  if (!script_.empty()) Failed(error);
  return Finish(std::move(error));
}

Interpreter::Step Interpreter::Finish(std::string error) {
  if (error.empty()) {
    Write("ok\n");
  } else if (!report_.empty()) {
    Write(report_);
    any_error_ = true;
  } else {
    // A reason is one line, whatever bytes went into it.
    std::replace(error.begin(), error.end(), '\n', ' ');
    Write("error: " + error + "\n");
    any_error_ = true;
  }
  if (sink_ != nullptr) sink_->Flush();
  error_ = std::move(error);
  return Step::kAnswered;
}

void Interpreter::AnswerRunningCommand() {
  if (answered_early_ == nullptr || *answered_early_) return;
  Write("ok\n");
  if (sink_ != nullptr) sink_->Flush();
  *answered_early_ = true;
  // The commands inside the modal window are answered on their own.
  answered_early_ = nullptr;
}

Interpreter::Clock::time_point Interpreter::last_chunk() const {
  return std::max(core_.last_chunk_at(), started_);
}

Interpreter::Clock::time_point Interpreter::due() const {
  if (wait_.kind == WaitKind::kQuiet) {
    return std::min(wait_.deadline, last_chunk() + std::chrono::milliseconds(wait_.quiet_ms));
  }
  return waiting() ? wait_.deadline : Clock::time_point::max();
}

bool Interpreter::Look(Clock::time_point now, std::string* error) {
  bool holds = false;
  switch (wait_.kind) {
    case WaitKind::kNone:
      return true;
    case WaitKind::kReady:
      holds = IsWaitingForHost(t_) == 0;
      break;
    case WaitKind::kOutput:
      holds = core_.chunks_handled() > chunks_at_read_;
      break;
    case WaitKind::kText:
      holds = core_.model().Shows(wait_.text);
      break;
    case WaitKind::kQuiet:
      holds = now - last_chunk() >= std::chrono::milliseconds(wait_.quiet_ms);
      break;
    case WaitKind::kClosed:
      holds = core_.host_closed();
      break;
    case WaitKind::kScreen:
      holds = CompareGolden(wait_.golden, ImageOf(t_, core_.VisibleWindow())).matches();
      break;
    case WaitKind::kSleep:
      // The time passes whatever happens, unless the program ends.
      error->clear();
      return now >= wait_.deadline || core_.Ending();
  }
  if (holds) {
    error->clear();
    return true;
  }
  if (core_.Ending()) {
    *error = "program ended";
  } else if (wait_.kind != WaitKind::kClosed && core_.host_closed()) {
    *error = "host closed";
  } else if (now >= wait_.deadline) {
    *error = "timeout";
  } else {
    return false;
  }
  return true;
}

std::string Interpreter::Type(const Words& w) {
  if (w.size() != 2) return Usage("type \"TEXT\"");
  for (unsigned char c : w[1]) {
    if (core_.Ending()) break;
    DeliverChar(t_, core_, c, false);
  }
  return "";
}

std::string Interpreter::Key(const Words& w) {
  if (w.size() != 2) return Usage("key NAME");
  KeyMessage key;
  if (!LookUpKey(w[1], &key)) return "unknown key " + JsonString(w[1]);
  if (key.message == kWmChar) {
    DeliverChar(t_, core_, static_cast<unsigned char>(key.code), key.shift);
  } else {
    DeliverKeyDown(t_, core_, key.message, key.code);
  }
  return "";
}

std::string Interpreter::HotKey(const Words& w) {
  int64_t id = 0;
  if (w.size() != 2 || !ParseNumber(w[1], 0, INT32_MAX, &id)) return Usage("hotkey N");
  core_.SendMessage(kWmHotKey, uintptr_t(id), 0);
  return "";
}

std::string Interpreter::Click(const Words& w) {
  int64_t x = 0;
  int64_t y = 0;
  if (w.size() >= 2 && Lower(w[1]) == "cell") {
    // The cell's centre pixel, as a person would aim at it.
    int64_t row = 0;
    int64_t column = 0;
    if (w.size() != 4 || !ParseNumber(w[2], 0, INT32_MAX, &row) ||
        !ParseNumber(w[3], 0, INT32_MAX, &column)) {
      return Usage("click cell ROW COL");
    }
    const int32_t rows = core_.view_rows();
    const int32_t columns = core_.view_columns();
    x = column * kCellWidth + kCellWidth / 2;
    y = row * kRowHeight + kRowHeight / 2;
    if (row >= rows || column >= columns || x > 0xFFFF || y > 0xFFFF) {
      return "cell " + w[2] + " " + w[3] + " is outside the window (" + std::to_string(rows) +
             " rows of " + std::to_string(columns) + " columns)";
    }
  } else if (w.size() != 3 || !ParseNumber(w[1], 0, 0xFFFF, &x) ||
             !ParseNumber(w[2], 0, 0xFFFF, &y)) {
    return Usage("click X Y (pixels, 0 to 65535)");
  }
  core_.SendMessage(kWmLButtonDown, 0, intptr_t((y << 16) | x));
  return "";
}

std::string Interpreter::KeyCode(const Words& w) {
  int64_t code = 0;
  if (w.size() != 2 || !ParseNumber(w[1], INT32_MIN, INT32_MAX, &code)) {
    return Usage("keycode N");
  }
  ProcessKey(t_, int32_t(code), GetCurrentForm(t_), t_.screen.rows, t_.screen.columns);
  return "";
}

std::string Interpreter::Screen(const Words& w) {
  if (w.size() != 1) return Usage("screen");
  int32_t row = 0;
  int32_t column = 0;
  const WindowView view = core_.VisibleWindow();
  VisibleCursor(t_, view, &row, &column);
  Write(WindowText(view, "screen", row, column, false));
  return "";
}

std::string Interpreter::Attrs(const Words& w) {
  if (w.size() != 1) return Usage("attrs");
  int32_t row = 0;
  int32_t column = 0;
  const WindowView view = core_.VisibleWindow();
  VisibleCursor(t_, view, &row, &column);
  Write(WindowText(view, "attrs", row, column, true));
  return "";
}

std::string Interpreter::Grid(const Words& w) {
  if (w.size() != 1) return Usage("grid");
  Write(GridText(t_));
  return "";
}

std::string Interpreter::State(const Words& w) {
  if (w.size() != 1) return Usage("state");
  const bool connected = t_.link.socket >= 0 && !core_.host_closed();
  Write(StateJson(t_, connected) + "\n");
  return "";
}

std::string Interpreter::Events(const Words& w) {
  if (w.size() != 1) return Usage("events");
  for (const std::string& event : core_.TakeEvents()) Write(event + "\n");
  return "";
}

std::string Interpreter::Answer(const Words& w) {
  const std::string how = w.size() == 2 ? Lower(w[1]) : "";
  if (how == "ok") {
    core_.set_message_box_answer(MessageBoxAnswer::kOk);
  } else if (how == "cancel") {
    core_.set_message_box_answer(MessageBoxAnswer::kCancel);
  } else {
    return Usage("answer ok|cancel");
  }
  core_.ExpectMessageBox();
  return "";
}

std::string Interpreter::WaitFor(const Words& w) {
  if (w.size() < 2) return Usage(kWaitUsage);
  const std::string what = Lower(w[1]);
  int64_t limit = timeout_ms_;
  Wait wait;
  if (what == "ready" || what == "output" || what == "closed") {
    if (!OptionalLimit(w, 2, timeout_ms_, &limit)) return Usage(kWaitUsage);
    wait.kind = what == "ready"    ? WaitKind::kReady
                : what == "output" ? WaitKind::kOutput
                                   : WaitKind::kClosed;
  } else if (what == "text") {
    if (w.size() < 3 || !OptionalLimit(w, 3, timeout_ms_, &limit)) return Usage(kWaitUsage);
    wait.kind = WaitKind::kText;
    wait.text = w[2];
  } else if (what == "quiet") {
    if (w.size() != 3 || !DurationWord(w[2], &wait.quiet_ms)) return Usage(kWaitUsage);
    wait.kind = WaitKind::kQuiet;
    // A host that never stops sending gets the usual time limit on top of
    // the quiet time it would need.
    limit = wait.quiet_ms + timeout_ms_;
  } else {
    return Usage(kWaitUsage);
  }
  wait.limit_ms = limit;
  wait.deadline = now_ + std::chrono::milliseconds(limit);
  wait_ = std::move(wait);
  return "";
}

std::string Interpreter::Sleep(const Words& w) {
  int64_t ms = 0;
  if (w.size() != 2 || !DurationWord(w[1], &ms)) return Usage("sleep MS");
  wait_.kind = WaitKind::kSleep;
  wait_.deadline = now_ + std::chrono::milliseconds(ms);
  return "";
}

std::string Interpreter::Scan(const Words& w) {
  if (w.size() != 2) return Usage("scan \"DATA\"");
  DeliverScan(t_, w[1]);
  return "";
}

std::string Interpreter::Snapshot(const Words& w) {
  if (w.size() != 2 || w[1].empty()) return Usage("snapshot FILE.png");
  // The reason may name the file: its bytes are quoted as every answer's are.
  if (w[1].find('\0') != std::string::npos) return "cannot write " + JsonString(w[1]);
  std::string error = core_.Snapshot(w[1]);
  if (const size_t at = error.find(w[1]); at != std::string::npos) {
    error.replace(at, w[1].size(), JsonString(w[1]));
  }
  return error;
}

std::string Interpreter::Quit(const Words& w) {
  if (w.size() != 1) return Usage("quit");
  if (!trial_) core_.CloseMainWindow();
  return "";
}

std::string Interpreter::Help(const Words& w) {
  if (w.size() != 1) return Usage("help");
  for (const Command* c = Find(""); c->name != nullptr; ++c) {
    if (c->help != nullptr) Write(std::string(c->help) + "\n");
  }
  return "";
}

std::string Interpreter::Mark(const Words& w) {
  if (w.size() != 2 || w[1].empty()) return Usage("mark \"NAME\"");
  if (w[1].size() > kLongestMark) {
    return "a mark's name is at most " + std::to_string(kLongestMark) + " bytes";
  }
  for (const char c : w[1]) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      return "a mark's name holds no control characters";
    }
  }
  mark_ = w[1];
  return "";
}

}  // namespace marl
