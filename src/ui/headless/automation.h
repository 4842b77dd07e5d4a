// The headless front end's automation interface: commands, one a line, from
// a script or a pipe; answers on an output stream. It is also the front
// end's event loop: host data is handled between commands, while the reader
// waits for input, and during `wait` and `sleep`. See docs/automation.md.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace marl {

struct Terminal;
class FrontEnd;

class Automation {
 public:
  // Reads commands from `input` (a file descriptor; -1 for none) and writes
  // answers to `output`. Neither is owned.
  Automation(Terminal& t, FrontEnd& front, int input, std::FILE* output);

  // The main loop: runs commands until `quit`, the end of input (which acts
  // as `quit` where the front end says so), or the program ending itself.
  void Run();
  // A modal window's loop, run while the main loop waits (the screen setup
  // window): the same commands, until `done` says the window is finished.
  // Returns false when the program ends first.
  bool RunNested(const std::function<bool()>& done);

  // Runs one command line and writes its answer.
  void Execute(std::string_view line);

  // Some command answered with an error.
  bool any_error() const { return any_error_; }

 private:
  enum class Read { kLine, kTooLong, kEnd, kEnded, kIdle };
  using Clock = std::chrono::steady_clock;
  using Words = std::vector<std::string>;

  bool Loop(const std::function<bool()>& done);
  Read ReadLine(std::string* line);
  bool Ending() const;
  void CloseMainWindow();
  // Handles host data for at most `ms`; keeps the time of the last chunk.
  void Pump(int32_t ms);

  // Each command writes its own lines and returns "" for ok or the reason
  // of its error.
  std::string Type(const Words& w);
  std::string Key(const Words& w);
  std::string HotKey(const Words& w);
  std::string Click(const Words& w);
  std::string KeyCode(const Words& w);
  std::string Screen(const Words& w, bool attributes);
  std::string Grid(const Words& w);
  std::string State(const Words& w);
  std::string Events(const Words& w);
  std::string Answer(const Words& w);
  std::string Wait(const Words& w);
  std::string Sleep(const Words& w);
  std::string Quit(const Words& w);
  std::string Snapshot(const Words& w);
  std::string Scan(const Words& w);
  std::string Help(const Words& w);

  // Pumps until `holds` is true: "" then, else "timeout", "host closed" or
  // "program ended".
  std::string WaitUntil(const std::function<bool()>& holds, int64_t limit_ms, bool closed_fails,
                        const std::function<int64_t()>& next_check_ms = nullptr);
  bool TextShown(const std::string& text) const;
  void MarkWindowRead();
  void Write(const std::string& text);

  Terminal& t_;
  FrontEnd& platform_;
  int input_;
  std::FILE* output_;
  std::string buffered_;
  bool input_ended_ = false;
  bool discarding_ = false;  // a line too long is being skipped
  bool any_error_ = false;
  uint64_t chunks_at_read_ = 0;
  uint64_t chunks_seen_ = 0;
  Clock::time_point last_chunk_;
  // The running command's "answered already" flag: a command that opens a
  // modal window (hotkey 9) is answered when the window's loop starts, so
  // that every answer comes in the order of the commands.
  bool* answered_early_ = nullptr;
};

}  // namespace marl
