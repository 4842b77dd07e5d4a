// The automation language (docs/automation.md), implemented once: one
// terminal headless, a script in the tui or sdl window, and each terminal of
// a load run all run their commands here. A command runs at once; a wait is
// a state: Start answers it at once when it already holds, else leaves it
// waiting, and the caller's event loop calls Check when something has
// happened or when due() has come. Nothing here ever blocks.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/testkit/golden_screen.h"

namespace marl {

struct Terminal;
class CorePlatform;

// Where the answers go: each command's lines, then its one "ok" or
// "error: REASON" line.
class AnswerSink {
 public:
  virtual ~AnswerSink() = default;
  virtual void Write(std::string_view text) = 0;
  // An answer is complete: a reader may be waiting for it.
  virtual void Flush() {}
};

class Interpreter {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Step { kAnswered, kWaiting };

  // `sink` null: the answers are dropped, only their errors are kept.
  Interpreter(Terminal& t, CorePlatform& core, AnswerSink* sink);

  // Runs one command line. Blank and comment lines are answered with
  // nothing (kAnswered, no error).
  Step Start(std::string_view line, Clock::time_point now);
  // A waiting command looks again.
  Step Check(Clock::time_point now);
  bool waiting() const { return wait_.kind != WaitKind::kNone; }
  // When a waiting command must look again even if nothing happens.
  Clock::time_point due() const;
  // The last answered command's error reason, "" for ok.
  const std::string& error() const { return error_; }
  // Whether the last answered command was a wait or a sleep.
  bool last_was_wait() const { return last_was_wait_; }
  // Whether the last answered wait or expect ran out of time (its error
  // may say so in an expect's own words).
  bool last_timed_out() const { return last_timed_out_; }
  // A modal window opened inside the running command (hotkey 9): the
  // command is answered now, so that the commands that follow, which go to
  // that window, are answered in order.
  void AnswerRunningCommand();

  // Trying a script out before a run: waits, sleeps and quit check their
  // words and are answered at once, without waiting or quitting.
  void set_trial(bool trial) { trial_ = trial; }

  bool any_error() const { return any_error_; }

  // The name `mark` gave the transactions that follow, "" before any. Only
  // a load run reads it; elsewhere a mark is answered and kept, nothing more.
  const std::string& mark() const { return mark_; }
  void ClearMark() { mark_.clear(); }
  // The script the lines come from ("" for standard input) and the line
  // running: a failed wait or expect names them, and `expect screen`
  // finds its golden files beside the script.
  void set_script(std::string script) { script_ = std::move(script); }
  void set_line(int64_t line) { line_ = line; }
  // `expect screen` writes the window into its golden instead of failing.
  void set_update_goldens(bool update) { update_goldens_ = update; }
  // The last failed wait's or expect's report: the screen, the field, the
  // last events and the error line ("" after any other answer).
  const std::string& report() const { return report_; }

 private:
  enum class WaitKind { kNone, kReady, kOutput, kText, kQuiet, kClosed, kSleep, kScreen };
  struct Wait {
    WaitKind kind = WaitKind::kNone;
    std::string text;
    int64_t quiet_ms = 0;
    int64_t limit_ms = 0;
    Clock::time_point deadline;
    // An expect: its failure is told with the report, in its own words.
    bool expect = false;
    std::string what;  // e.g. expect text "Menu"
    GoldenScreen golden;
  };
  struct Command;
  static const Command* Find(std::string_view name);
  using Words = std::vector<std::string>;

  // Each command writes its own lines and returns "" for ok or the reason
  // of its error; a wait fills `wait_` instead of waiting.
  std::string Type(const Words& w);
  std::string Key(const Words& w);
  std::string HotKey(const Words& w);
  std::string Click(const Words& w);
  std::string KeyCode(const Words& w);
  std::string Screen(const Words& w);
  std::string Attrs(const Words& w);
  std::string Grid(const Words& w);
  std::string State(const Words& w);
  std::string Events(const Words& w);
  std::string Answer(const Words& w);
  std::string WaitFor(const Words& w);
  std::string Sleep(const Words& w);
  std::string Quit(const Words& w);
  std::string Snapshot(const Words& w);
  std::string Scan(const Words& w);
  std::string Help(const Words& w);
  std::string Mark(const Words& w);
  std::string Set(const Words& w);
  std::string Expect(const Words& w);
  std::string ExpectNow(const std::string& what, const Words& w);
  std::string ExpectScreen(const Words& w);
  // A failed wait or expect: the report is kept and answered before the
  // error line.
  std::string Failed(std::string reason, const std::string& extra = "");
  std::string Beside(const std::string& path) const;

  // Whether the wait is over, with `error` "" when it held, else
  // "timeout", "host closed" or "program ended".
  bool Look(Clock::time_point now, std::string* error);
  Step Finish(std::string error);
  void Write(std::string_view text);
  Clock::time_point last_chunk() const;

  Terminal& t_;
  CorePlatform& core_;
  AnswerSink* sink_;
  Wait wait_;
  Clock::time_point now_;  // when the running command started or looked
  Clock::time_point started_ = Clock::now();
  uint64_t chunks_at_read_ = 0;
  std::string error_;
  bool last_was_wait_ = false;
  bool last_timed_out_ = false;
  bool trial_ = false;
  bool any_error_ = false;
  std::string mark_;
  int64_t timeout_ms_ = 5000;  // `set timeout`
  std::string script_;
  int64_t line_ = 0;
  bool update_goldens_ = false;
  std::string report_;
  // The running command's "answered already" flag (see AnswerRunningCommand).
  bool* answered_early_ = nullptr;
};

// An optional duration after `index` words, `fallback` when there is none;
// false when it is malformed or more words follow.
bool OptionalLimit(const std::vector<std::string>& w, size_t index, int64_t fallback,
                   int64_t* limit);

}  // namespace marl
