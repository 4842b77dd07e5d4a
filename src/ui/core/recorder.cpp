#include "ui/core/recorder.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <utility>

#include "base/session.h"
#include "platform/messages.h"
#include "screen/screen_state.h"
#include "terminal.h"
#include "ui/core/core_platform.h"
#include "ui/core/test_views.h"
#include "ui/testkit/golden_file.h"
#include "ui/testkit/golden_screen.h"
#include "ui/testkit/quoting.h"

namespace marl {

namespace {

// A typed line longer than this is cut into several, so that a paste stays
// readable in an editor.
constexpr size_t kTypedLine = 60;
// The character that ends the program, as the hot keys 0 and 1 do.
constexpr uint32_t kCtrlX = 0x18;

bool IsEnding(uint32_t hot_key) {
  return hot_key == kHotKeyEnd || hot_key == kHotKeyEndProgram;
}

std::string KeyDownName(uint32_t vk) {
  switch (vk) {
    case kVkPrior:
      return "PageUp";
    case kVkNext:
      return "PageDown";
    case kVkEnd:
      return "End";
    case kVkHome:
      return "Home";
    case kVkLeft:
      return "Left";
    case kVkUp:
      return "Up";
    case kVkRight:
      return "Right";
    case kVkDown:
      return "Down";
    case kVkInsert:
      return "Insert";
    case kVkDelete:
      return "Delete";
    default:
      break;
  }
  if (vk >= kVkF1 && vk < kVkF1 + 24) return "F" + std::to_string(vk - kVkF1 + 1);
  return "";
}

// A file name as one word of a command line: as it is when it is plainly
// one, else quoted (a blank, a quote, a byte a person cannot see).
std::string FileWord(const std::string& name) {
  for (const char c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '_' && c != '-' &&
        c != '+') {
      return QuotedText(name);
    }
  }
  return name;
}

bool SameWindow(const ScreenImage& a, const ScreenImage& b) {
  return a.rows == b.rows && a.columns == b.columns && a.cursor_row == b.cursor_row &&
         a.cursor_column == b.cursor_column && a.bytes == b.bytes && a.attributes == b.attributes;
}

}  // namespace

std::string KeyCommand(uint32_t message, uint32_t code, bool shift) {
  if (message == kWmChar) {
    switch (code) {
      case '\r':
        return "key Enter";
      case '\t':
        return shift ? "key Shift+Tab" : "key Tab";
      case '\b':
        return "key Backspace";
      case 0x1B:
        return "key Esc";
      default:
        break;
    }
    if (code >= 1 && code <= 26) return std::string("key Ctrl+") + char('A' + code - 1);
    return "";
  }
  const std::string name = KeyDownName(code);
  if (message == kWmKeyDown && !name.empty()) return "key " + name;
  if (message == kWmSysKeyDown && (code == kVkF10 || code == kVkF4)) return "key Alt+" + name;
  // Still a line, so that the script shows where the person pressed it.
  return "# a key no command presses: " +
         (name.empty() ? "virtual key " + std::to_string(code) : "Alt+" + name);
}

Recorder::~Recorder() {
  if (file_ != nullptr) std::fclose(file_);
}

std::string Recorder::GoldenName(const std::string& script, int n) {
  const size_t slash = script.rfind('/');
  std::string stem = slash == std::string::npos ? script : script.substr(slash + 1);
  const size_t dot = stem.rfind('.');
  if (dot != std::string::npos && dot > 0) stem.resize(dot);
  char number[16];
  std::snprintf(number, sizeof number, "-%03d", n);
  return stem + number + ".golden";
}

std::string Recorder::Open(const std::string& path, const std::string& about) {
  file_ = std::fopen(path.c_str(), "w");
  if (file_ == nullptr) return "cannot write " + path + ": " + std::strerror(errno);
  path_ = path;
  const size_t slash = path.rfind('/');
  folder_ = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  script_name_ = path.substr(folder_.size());
  Line("# A session recorded by marlsim --record" + (about.empty() ? "" : ", " + about) + ".");
  Line("# Replay it with marlsim --test against the same host and screen size.");
  Line("# Each expect screen compares the window with the golden file it names,");
  Line("# beside this script; mask there the cells that change from run to run.");
  return "";
}

void Recorder::Watch(Terminal& t, CorePlatform& core) {
  Source source;
  source.chunks = [&core] { return core.chunks_handled(); };
  source.waiting = [&t] { return IsWaitingForHost(t) != 0; };
  source.look = [&t, &core] { return ImageOf(t, core.VisibleWindow()); };
  set_source(std::move(source));
}

void Recorder::Line(const std::string& line) {
  if (file_ == nullptr) return;
  if (!line.empty() && line[0] != '#') last_input_ = line;
  // Flushed at once: a session that is killed keeps what was recorded.
  if ((std::fputs(line.c_str(), file_) < 0 || std::fputc('\n', file_) < 0 ||
       std::fflush(file_) != 0) &&
      error_.empty()) {
    error_ = "cannot write " + path_ + ": " + std::strerror(errno);
  }
}

void Recorder::FlushTyped() {
  if (typed_.empty()) return;
  for (size_t at = 0; at < typed_.size(); at += kTypedLine) {
    Line("type " + QuotedText(std::string_view(typed_).substr(at, kTypedLine)));
  }
  typed_.clear();
}

void Recorder::LookAtHost() {
  if (!source_.chunks || !source_.look) return;
  const uint64_t chunks = source_.chunks();
  if (chunks == chunks_seen_) return;
  chunks_seen_ = chunks;
  const ScreenImage image = source_.look();
  // A chunk that left the window as the person had it (a status request,
  // a ping) is nothing to compare.
  if (have_after_input_ && SameWindow(image, after_input_)) return;
  FlushTyped();
  ++screens_;
  const std::string name = GoldenName(path_, screens_);
  GoldenScreen golden = GoldenFromImage(image, nullptr);
  golden.comments.push_back(
      "# Screen " + std::to_string(screens_) + " of " + PrintableLine(script_name_) +
      (last_input_.empty() ? ", before any input" : ", after: " + last_input_));
  std::string error;
  if (!SaveGolden(folder_ + name, golden, &error) && error_.empty()) error_ = error;
  // A terminal that no longer waits for the host has had its answer: a
  // replay waits for that, so that an answer which looks like the screen
  // before it is not taken for it. One that still waits has taken a chunk
  // of the host's own accord.
  const bool waiting = source_.waiting && source_.waiting();
  Line(waiting ? "wait output" : "wait ready");
  Line("expect screen " + FileWord(name));
  // Later screens compare with this one until the person acts.
  after_input_ = image;
  have_after_input_ = true;
}

void Recorder::Key(uint32_t message, uint32_t code, bool shift) {
  if (file_ == nullptr) return;
  LookAtHost();
  input_pending_ = true;
  const std::string command = KeyCommand(message, code, shift);
  if (message == kWmChar && code == kCtrlX) {
    FlushTyped();
    Line("# the person ended the program here (key Ctrl+X)");
    return;
  }
  if (command.empty()) {
    typed_.push_back(char(code));
    return;
  }
  FlushTyped();
  Line(command);
}

void Recorder::HotKey(uint32_t id) {
  if (file_ == nullptr) return;
  LookAtHost();
  input_pending_ = true;
  FlushTyped();
  // Ending the program ends the script: a replay ends at its last line.
  if (IsEnding(id)) {
    Line("# the person ended the program here (hotkey " + std::to_string(id) + ")");
    return;
  }
  Line("hotkey " + std::to_string(id));
}

void Recorder::Click(int32_t x, int32_t y) {
  if (file_ == nullptr) return;
  LookAtHost();
  input_pending_ = true;
  FlushTyped();
  const ScreenImage image = source_.look ? source_.look() : ScreenImage{};
  const int32_t row = y / kRowHeight;
  const int32_t column = x / kCellWidth;
  if (x >= 0 && y >= 0 && row < image.rows && column < image.columns) {
    Line("click cell " + std::to_string(row) + " " + std::to_string(column));
  } else {
    Line("click " + std::to_string(x) + " " + std::to_string(y));
  }
}

void Recorder::Scan(std::string_view data) {
  if (file_ == nullptr) return;
  LookAtHost();
  input_pending_ = true;
  FlushTyped();
  Line("scan " + QuotedText(data.substr(0, data.find('\0'))));
}

void Recorder::Delivered() {
  // Only after an input that was recorded: a chunk that came before an
  // event that records nothing (a key's press before its text, a window
  // event) is still the host's screen.
  if (!std::exchange(input_pending_, false) || file_ == nullptr || !source_.look) return;
  after_input_ = source_.look();
  have_after_input_ = true;
  if (source_.chunks) chunks_seen_ = source_.chunks();
}

std::string Recorder::Close() {
  if (file_ == nullptr) return error_;
  LookAtHost();
  FlushTyped();
  if (std::fclose(file_) != 0 && error_.empty()) {
    error_ = "cannot write " + path_ + ": " + std::strerror(errno);
  }
  file_ = nullptr;
  return error_;
}

}  // namespace marl
