// `--record FILE`: a person's session at the window kept as an automation
// script that replays it. What the person typed, the keys, hot keys, clicks
// and scans become commands; every screen the host left before the person
// acted again becomes a wait and `expect screen` against a golden
// file saved beside the script (FILE's name, then -001.golden, -002, ...),
// named relative to the script so that the folder can move. The script is
// written as the session goes, a line at a time, so that a session that is
// killed keeps what was recorded.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "ui/testkit/screen_image.h"

namespace marl {

struct Terminal;
class CorePlatform;

class Recorder {
 public:
  // What the recorder looks at: how many host chunks the terminal has
  // handled, the window as a person sees it now, and whether the terminal
  // waits for the host.
  struct Source {
    std::function<uint64_t()> chunks;
    std::function<ScreenImage()> look;
    std::function<bool()> waiting;
  };

  Recorder() = default;
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Creates the script at `path` (over an old one) and writes its head;
  // "" or why it cannot ("cannot write PATH: REASON"). `about` is a line
  // for the head saying where the session ran (host, size).
  std::string Open(const std::string& path, const std::string& about);
  void set_source(Source source) { source_ = std::move(source); }
  // The terminal and core of a front end as the source.
  void Watch(Terminal& t, CorePlatform& core);
  bool open() const { return file_ != nullptr; }

  // The person's input, each called before it is delivered. `message` is
  // the window message (character, key-down or system key-down) and `code`
  // its character or virtual key.
  void Key(uint32_t message, uint32_t code, bool shift);
  void HotKey(uint32_t id);
  // A left click at client pixel x, y.
  void Click(int32_t x, int32_t y);
  void Scan(std::string_view data);
  // The input just recorded has been delivered: what the window shows now
  // is the person's doing, not the host's.
  void Delivered();

  // Records the host's last screen, if one came, and ends the script.
  // Returns "" or the first error met while writing.
  std::string Close();

  // The golden file of screen `n` (from 1) of the script at `script`, as
  // the script names it (beside the script, without its folder).
  static std::string GoldenName(const std::string& script, int n);

 private:
  // A host screen came since the person's last input: waited for and
  // compared in the script, its golden written.
  void LookAtHost();
  void FlushTyped();
  void Line(const std::string& line);

  std::FILE* file_ = nullptr;
  std::string path_;
  std::string folder_;  // with its '/', or "" for the current one
  std::string script_name_;
  std::string error_;
  Source source_;
  uint64_t chunks_seen_ = 0;
  // The window as the person's last input left it (none before the first).
  ScreenImage after_input_;
  bool have_after_input_ = false;
  std::string typed_;
  std::string last_input_;  // the last command line recorded, for goldens' comments
  int screens_ = 0;
  // An input was recorded that Delivered has not yet followed.
  bool input_pending_ = false;
};

// The command line that gives a key message, "" for a byte that `type`
// gives (a printable one, or a control byte without a key name). Names as
// `key` takes them: "key Enter", "key Ctrl+A", "key F5", "key Alt+F10".
std::string KeyCommand(uint32_t message, uint32_t code, bool shift);

}  // namespace marl
