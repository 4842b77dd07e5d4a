#include "ui/headless/automation.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "app/app_state.h"
#include "input/input_queue.h"
#include "input/key_processor.h"
#include "platform/messages.h"
#include "screen/display.h"
#include "terminal.h"
#include "ui/headless/automation_views.h"
#include "ui/headless/automation_words.h"
#include "ui/headless/front_end.h"
#include "ui/headless/window_input.h"

namespace marl {

namespace {

constexpr int64_t kDefaultLimitMs = 5000;
constexpr int64_t kMaxMs = 24LL * 3600 * 1000;
constexpr size_t kMaxLine = 1 << 20;
// How often a wait looks at the clock while nothing arrives.
constexpr int64_t kSliceMs = 50;

struct KeyMessage {
  uint32_t message = 0;
  uint32_t code = 0;
  bool shift = false;
};

// A key as the window delivers it; false for an unknown name.
bool LookUpKey(std::string name, KeyMessage* key) {
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
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

std::string Usage(const char* usage) {
  return std::string("usage: ") + usage;
}

// An optional time limit after `index` words; false when it is malformed.
bool OptionalLimit(const std::vector<std::string>& w, size_t index, int64_t* limit) {
  *limit = kDefaultLimitMs;
  if (w.size() <= index) return true;
  return w.size() == index + 1 && ParseNumber(w[index], 0, kMaxMs, limit);
}

}  // namespace

Automation::Automation(Terminal& t, FrontEnd& front, int input, std::FILE* output)
    : t_(t), platform_(front), input_(input), output_(output), last_chunk_(Clock::now()) {
  chunks_seen_ = platform_.chunks_handled();
}

void Automation::Run() {
  Loop(nullptr);
}

bool Automation::RunNested(const std::function<bool()>& done) {
  if (answered_early_ != nullptr && !*answered_early_) {
    Write("ok\n");
    std::fflush(output_);
    *answered_early_ = true;
  }
  bool* const outer = answered_early_;
  answered_early_ = nullptr;
  const bool result = Loop(done);
  answered_early_ = outer;
  return result;
}

bool Automation::Loop(const std::function<bool()>& done) {
  for (;;) {
    if (Ending()) return false;
    if (done && done()) return true;
    std::string line;
    switch (ReadLine(&line)) {
      case Read::kLine:
        Execute(line);
        break;
      case Read::kTooLong:
        Write("error: line too long\n");
        std::fflush(output_);
        any_error_ = true;
        break;
      case Read::kEnd:
        CloseMainWindow();
        return false;
      case Read::kEnded:
        return false;
      case Read::kIdle:
        break;
    }
  }
}

bool Automation::Ending() const {
  return App(t_).ending || platform_.quit_requested() || platform_.quit_posted();
}

void Automation::CloseMainWindow() {
  if (!Ending()) platform_.SendMessage(kWmDestroy, 0, 0);
}

void Automation::Pump(int32_t ms) {
  platform_.PumpEvents(ms);
  if (platform_.chunks_handled() != chunks_seen_) {
    chunks_seen_ = platform_.chunks_handled();
    last_chunk_ = Clock::now();
  }
}

Automation::Read Automation::ReadLine(std::string* line) {
  for (;;) {
    Pump(0);
    if (Ending()) return Read::kEnded;
    const size_t end = buffered_.find('\n');
    if (end != std::string::npos) {
      *line = buffered_.substr(0, end);
      buffered_.erase(0, end + 1);
      if (!line->empty() && line->back() == '\r') line->pop_back();
      if (discarding_) {
        discarding_ = false;
        return Read::kTooLong;
      }
      return Read::kLine;
    }
    if (buffered_.size() > kMaxLine) {
      buffered_.clear();
      discarding_ = true;
    }
    if (input_ended_) {
      if (discarding_) {
        discarding_ = false;
        return Read::kTooLong;
      }
      if (!buffered_.empty()) {
        line->swap(buffered_);
        buffered_.clear();
        return Read::kLine;
      }
      if (platform_.QuitsAtEndOfInput()) return Read::kEnd;
      // The window stays with the person: only its own events from now on.
      input_ = -1;
    }
    if (!platform_.WaitForInput(input_)) return Read::kIdle;
    char bytes[4096];
    const ssize_t n = read(input_, bytes, sizeof bytes);
    if (n > 0) {
      buffered_.append(bytes, size_t(n));
    } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
      input_ended_ = true;
    }
  }
}

void Automation::Write(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), output_);
}

void Automation::Execute(std::string_view line) {
  std::vector<std::string> w;
  std::string error;
  const size_t first = line.find_first_not_of(" \t");
  if (first == std::string_view::npos || line[first] == '#') return;
  bool answered = false;
  bool* const outer = answered_early_;
  answered_early_ = &answered;
  if (SplitCommandWords(line, &w, &error)) {
    std::string name = w[0];
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    if (name == "type") {
      error = Type(w);
    } else if (name == "key") {
      error = Key(w);
    } else if (name == "hotkey") {
      error = HotKey(w);
    } else if (name == "click") {
      error = Click(w);
    } else if (name == "keycode") {
      error = KeyCode(w);
    } else if (name == "screen") {
      error = Screen(w, false);
    } else if (name == "attrs") {
      error = Screen(w, true);
    } else if (name == "grid") {
      error = Grid(w);
    } else if (name == "state") {
      error = State(w);
    } else if (name == "events") {
      error = Events(w);
    } else if (name == "answer") {
      error = Answer(w);
    } else if (name == "wait") {
      error = Wait(w);
    } else if (name == "sleep") {
      error = Sleep(w);
    } else if (name == "quit") {
      error = Quit(w);
    } else if (name == "snapshot") {
      error = Snapshot(w);
    } else if (name == "scan") {
      error = Scan(w);
    } else if (name == "help") {
      error = Help(w);
    } else {
      // However long the word, the reason stays one short line.
      constexpr size_t kQuoted = 80;
      error = "unknown command " + JsonString(std::string_view(w[0]).substr(0, kQuoted)) +
              (w[0].size() > kQuoted ? "..." : "") + " (help lists the commands)";
    }
  }
  answered_early_ = outer;
  if (answered) return;
  if (error.empty()) {
    Write("ok\n");
  } else {
    // A reason is one line, whatever bytes went into it.
    std::replace(error.begin(), error.end(), '\n', ' ');
    Write("error: " + error + "\n");
    any_error_ = true;
  }
  std::fflush(output_);
}

std::string Automation::Type(const Words& w) {
  if (w.size() != 2) return Usage("type \"TEXT\"");
  for (unsigned char c : w[1]) {
    if (Ending()) break;
    DeliverChar(t_, platform_, c, false);
  }
  return "";
}

std::string Automation::Key(const Words& w) {
  if (w.size() != 2) return Usage("key NAME");
  KeyMessage key;
  if (!LookUpKey(w[1], &key)) return "unknown key " + JsonString(w[1]);
  if (key.message == kWmChar) {
    DeliverChar(t_, platform_, static_cast<unsigned char>(key.code), key.shift);
  } else {
    DeliverKeyDown(t_, platform_, key.message, key.code);
  }
  return "";
}

std::string Automation::HotKey(const Words& w) {
  int64_t id = 0;
  if (w.size() != 2 || !ParseNumber(w[1], 0, INT32_MAX, &id)) return Usage("hotkey N");
  platform_.SendMessage(kWmHotKey, uintptr_t(id), 0);
  return "";
}

std::string Automation::Click(const Words& w) {
  int64_t x = 0;
  int64_t y = 0;
  if (w.size() != 3 || !ParseNumber(w[1], 0, 0xFFFF, &x) || !ParseNumber(w[2], 0, 0xFFFF, &y)) {
    return Usage("click X Y (pixels, 0 to 65535)");
  }
  platform_.SendMessage(kWmLButtonDown, 0, intptr_t((y << 16) | x));
  return "";
}

std::string Automation::KeyCode(const Words& w) {
  int64_t code = 0;
  if (w.size() != 2 || !ParseNumber(w[1], INT32_MIN, INT32_MAX, &code)) {
    return Usage("keycode N");
  }
  ProcessKey(t_, int32_t(code), GetCurrentForm(t_), t_.screen.rows, t_.screen.columns);
  return "";
}

void Automation::MarkWindowRead() {
  chunks_at_read_ = platform_.chunks_handled();
}

std::string Automation::Screen(const Words& w, bool attributes) {
  if (w.size() != 1) return Usage(attributes ? "attrs" : "screen");
  int32_t row = 0;
  int32_t column = 0;
  const WindowView view = platform_.VisibleWindow();
  VisibleCursor(t_, view, &row, &column);
  Write(WindowText(view, attributes ? "attrs" : "screen", row, column, attributes));
  MarkWindowRead();
  return "";
}

std::string Automation::Grid(const Words& w) {
  if (w.size() != 1) return Usage("grid");
  Write(GridText(t_));
  MarkWindowRead();
  return "";
}

std::string Automation::State(const Words& w) {
  if (w.size() != 1) return Usage("state");
  const bool connected = t_.link.socket >= 0 && !platform_.host_closed();
  Write(StateJson(t_, connected) + "\n");
  MarkWindowRead();
  return "";
}

std::string Automation::Events(const Words& w) {
  if (w.size() != 1) return Usage("events");
  for (const std::string& event : platform_.TakeEvents()) Write(event + "\n");
  return "";
}

std::string Automation::Answer(const Words& w) {
  std::string how = w.size() == 2 ? w[1] : "";
  std::transform(how.begin(), how.end(), how.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  if (how == "ok") {
    platform_.set_message_box_answer(MessageBoxAnswer::kOk);
  } else if (how == "cancel") {
    platform_.set_message_box_answer(MessageBoxAnswer::kCancel);
  } else {
    return Usage("answer ok|cancel");
  }
  return "";
}

bool Automation::TextShown(const std::string& text) const {
  const WindowView view = platform_.VisibleWindow();
  for (int32_t r = 0; r < view.rows; ++r) {
    if (view.RowText(r).find(text) != std::string::npos) return true;
  }
  return text.empty();
}

std::string Automation::WaitUntil(const std::function<bool()>& holds, int64_t limit_ms,
                                  bool closed_fails,
                                  const std::function<int64_t()>& next_check_ms) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limit_ms);
  for (;;) {
    if (holds()) return "";
    if (Ending()) return "program ended";
    if (closed_fails && platform_.host_closed()) return "host closed";
    const int64_t left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return "timeout";
    int64_t slice = std::min(left, kSliceMs);
    if (next_check_ms) slice = std::max<int64_t>(1, std::min(slice, next_check_ms()));
    Pump(int32_t(slice));
  }
}

std::string Automation::Wait(const Words& w) {
  static const char* kUsage =
      "wait ready [MS] | wait output [MS] | wait text \"TEXT\" [MS] | wait quiet MS | "
      "wait closed [MS]";
  if (w.size() < 2) return Usage(kUsage);
  std::string what = w[1];
  std::transform(what.begin(), what.end(), what.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  int64_t limit = kDefaultLimitMs;
  if (what == "ready") {
    if (!OptionalLimit(w, 2, &limit)) return Usage(kUsage);
    return WaitUntil([&] { return IsWaitingForHost(t_) == 0; }, limit, true);
  }
  if (what == "output") {
    if (!OptionalLimit(w, 2, &limit)) return Usage(kUsage);
    return WaitUntil([&] { return platform_.chunks_handled() > chunks_at_read_; }, limit, true);
  }
  if (what == "text") {
    if (w.size() < 3 || !OptionalLimit(w, 3, &limit)) return Usage(kUsage);
    const std::string& text = w[2];
    return WaitUntil([&] { return TextShown(text); }, limit, true);
  }
  if (what == "closed") {
    if (!OptionalLimit(w, 2, &limit)) return Usage(kUsage);
    return WaitUntil([&] { return platform_.host_closed(); }, limit, false);
  }
  if (what == "quiet") {
    int64_t quiet = 0;
    if (w.size() != 3 || !ParseNumber(w[2], 0, kMaxMs, &quiet)) return Usage(kUsage);
    const auto since_last = [&] {
      return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - last_chunk_)
          .count();
    };
    // A host that never stops sending gets the usual time limit on top of
    // the quiet time it would need.
    return WaitUntil([&] { return since_last() >= quiet; }, quiet + kDefaultLimitMs, true,
                     [&] { return quiet - since_last(); });
  }
  return Usage(kUsage);
}

std::string Automation::Sleep(const Words& w) {
  int64_t ms = 0;
  if (w.size() != 2 || !ParseNumber(w[1], 0, kMaxMs, &ms)) return Usage("sleep MS");
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    const int64_t left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0 || Ending()) return "";
    Pump(int32_t(std::min(left, kSliceMs)));
  }
}

std::string Automation::Scan(const Words& w) {
  if (w.size() != 2) return Usage("scan \"DATA\"");
  DeliverScan(t_, w[1]);
  return "";
}

std::string Automation::Snapshot(const Words& w) {
  if (w.size() != 2 || w[1].empty()) return Usage("snapshot FILE.png");
  // The reason may name the file: its bytes are quoted as every answer's are.
  if (w[1].find('\0') != std::string::npos) return "cannot write " + JsonString(w[1]);
  std::string error = platform_.Snapshot(w[1]);
  if (const size_t at = error.find(w[1]); at != std::string::npos) {
    error.replace(at, w[1].size(), JsonString(w[1]));
  }
  return error;
}

std::string Automation::Quit(const Words& w) {
  if (w.size() != 1) return Usage("quit");
  CloseMainWindow();
  return "";
}

std::string Automation::Help(const Words& w) {
  if (w.size() != 1) return Usage("help");
  Write(
      "type \"TEXT\"\n"
      "key NAME\n"
      "hotkey N\n"
      "click X Y\n"
      "keycode N\n"
      "screen\n"
      "attrs\n"
      "grid\n"
      "state\n"
      "events\n"
      "answer ok|cancel\n"
      "wait ready|output|text \"TEXT\"|quiet|closed [MS]\n"
      "sleep MS\n"
      "scan \"DATA\"\n"
      "snapshot FILE.png\n"
      "help\n"
      "quit\n");
  return "";
}

}  // namespace marl
