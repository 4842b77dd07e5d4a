// Automation commands, one a line, from a script or a pipe, as one source of
// the front end's event loop: a line is run when the loop comes round to it,
// one a turn, so host data and the window's own events are handled between
// commands and while a command waits. Answers go to an output stream.
// See docs/automation.md.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "ui/core/event_loop.h"
#include "ui/core/interpreter.h"

namespace marl {

struct Terminal;
class CorePlatform;

class ScriptReader : private AnswerSink {
 public:
  // Reads commands from `input` (a file descriptor; -1 for none) and writes
  // answers to `output`; neither is owned. Without a loop (null) it makes
  // its own, with the host data as its only other source.
  ScriptReader(Terminal& t, CorePlatform& core, EventLoop* loop, int input, std::FILE* output);
  ~ScriptReader() override;
  ScriptReader(const ScriptReader&) = delete;
  ScriptReader& operator=(const ScriptReader&) = delete;

  // What the end of the input does; by default the main window closes (the
  // program ends). A window a person can use stays open instead.
  void set_at_end(std::function<void()> at_end) { at_end_ = std::move(at_end); }

  // The main loop: until the program ends.
  void Run();
  // A modal window's loop, run inside a command (the screen setup window):
  // that command is answered, then the same commands, until `done` says the
  // window is finished. Returns false when the program ends first.
  bool RunNested(const std::function<bool()>& done);
  // Runs one command line to its answer, turning the loop while it waits.
  void Execute(std::string_view line);

  Interpreter& interpreter() { return interpreter_; }

  // Some command answered with an error.
  bool any_error() const { return too_long_ || interpreter_.any_error(); }

 private:
  enum class Read { kLine, kTooLong, kNone };

  void Write(std::string_view text) override;
  void Flush() override;
  void OnReadable();
  Read TakeLine(std::string* line);
  // The next line's turn, unless one is due already or a command waits.
  void Schedule();
  void Step();
  void LookAgain();
  void Waited(Interpreter::Step step);
  void UpdateInput();

  CorePlatform& core_;
  std::unique_ptr<EventLoop> own_loop_;
  EventLoop& loop_;
  Interpreter interpreter_;
  int input_;
  std::FILE* output_;
  std::function<void()> at_end_;
  std::string buffered_;
  bool input_ended_ = false;
  bool at_end_done_ = false;
  bool too_long_ = false;
  bool discarding_ = false;  // a line too long is being skipped
  int64_t line_number_ = 0;  // of the line running, from 1
  int64_t step_timer_ = 0;
  int64_t wait_timer_ = 0;
  EventLoop::Clock::time_point wait_due_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace marl
