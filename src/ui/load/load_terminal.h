// One simulated terminal of a load run: a whole Terminal on the core, its
// host data handled on the thread that reads it, following the load script
// through the automation interpreter. It has no threads of its own: a
// worker reads its socket when epoll says so and runs the receive step, and
// the terminal handles the chunk completely before the worker reads again,
// as the window would on its main thread. A wait is a state of the
// interpreter: the worker looks again when a chunk came or the wait is due.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/startup.h"
#include "terminal.h"
#include "ui/core/core_platform.h"
#include "ui/core/interpreter.h"
#include "ui/load/load_report.h"
#include "ui/load/load_script.h"

namespace marl {

class ResponseTimes;
class LoadTerminal;

// How long the run goes on: a number of iterations per terminal, a point in
// time, or both.
struct LoadLimits {
  int64_t iterations = 0;  // 0: no limit
  std::chrono::steady_clock::time_point end = std::chrono::steady_clock::time_point::max();
  // Set by the driver on Ctrl+C or SIGTERM; read between a script's steps.
  std::atomic<bool> stopping{false};
  // `expect screen` writes the window into its golden instead of failing.
  bool update_goldens = false;
};

// Told of every transaction and of a terminal's end as they happen (the
// serving mode passes them on to Locust). Called on the worker's thread.
class TransactionLog {
 public:
  virtual ~TransactionLog() = default;
  // `error` "" when the host answered, after `microseconds`, with `bytes`.
  virtual void Transaction(int64_t terminal, const std::string& name, uint64_t microseconds,
                           int64_t bytes, const std::string& error) = 0;
  // The terminal stopped: `failure` null when it ran through or was stopped.
  virtual void Ended(int64_t terminal, const TerminalFailure* failure) = 0;
};

// Where a terminal's results go: its worker's.
struct LoadSinks {
  LoadCounters* counters = nullptr;
  ResponseTimes* response = nullptr;
  std::vector<TerminalFailure>* failures = nullptr;
  TransactionLog* log = nullptr;  // may be null
  // Told on the worker's thread when the terminal has finished, before its
  // window closes (the test runner's cases); may be empty.
  std::function<void(LoadTerminal&)> finished;
};

class LoadTerminal {
 public:
  using Clock = std::chrono::steady_clock;

  LoadTerminal(int64_t number, const LoadScript& script, const LoadLimits& limits);
  LoadTerminal(const LoadTerminal&) = delete;
  LoadTerminal& operator=(const LoadTerminal&) = delete;

  // Connects and starts as the program would, up to the power-up. False
  // (with the failure in `failure`) when the connection could not be made.
  bool Start(const std::string& command_line, const StartOptions& options, uint32_t source_address,
             TerminalFailure* failure);
  // From here on, only the worker that owns it touches the terminal.
  void Adopt(const LoadSinks& sinks);

  int socket() const { return terminal_->link.socket; }
  int64_t number() const { return number_; }
  bool finished() const { return state_ == State::kFinished; }
  // Whether its script failed, and the failure's report ("" when the
  // failure was not a wait's or an expect's).
  bool failed() const { return failed_; }
  const std::string& report() const { return report_; }
  // The failure in one line: "SCRIPT:LINE: reason".
  const std::string& failure_line() const { return failure_line_; }
  // The newest events it has seen (a few), oldest first.
  const std::vector<std::string>& recent_events() const { return recent_events_; }
  Terminal& terminal() { return *terminal_; }
  CorePlatform& platform() { return platform_; }

  // The socket is readable: one receive step into `buffer` (kReceiveBufferSize
  // bytes). False once the connection is gone.
  bool Receive(char* buffer);
  // Runs the script until a command must wait. Returns when it wants to be
  // looked at again if nothing arrives before (max when never).
  Clock::time_point Advance(Clock::time_point now);
  // The run is over: the window closes as its close button would.
  void Stop();

 private:
  enum class State { kRunning, kWaiting, kFinished };

  // The answered command went well; else the run of this terminal ends.
  bool Answered();
  void Fail(LoadError kind, const std::string& reason);
  void Finish();
  // Counts what went out and notices message boxes since the last look.
  bool Observe();
  bool Ending() const;

  int64_t number_;
  const LoadScript& script_;
  const LoadLimits& limits_;
  LoadSinks sinks_;
  CorePlatform platform_{CorePlatform::HostData::kInline};
  std::unique_ptr<Terminal> terminal_;
  std::unique_ptr<Interpreter> interpreter_;  // made when adopted

  State state_ = State::kRunning;
  size_t next_ = 0;        // the next script line
  int64_t iteration_ = 1;  // the one running, from 1
  std::string command_;    // the line running, filled in
  uint64_t transmits_seen_ = 0;
  // The last transmission left the terminal waiting for the host; its time.
  bool awaiting_answer_ = false;
  uint64_t sent_at_ = 0;
  // The transaction under way: the mark before it, else the script line
  // whose command sent its reply ("line 7"), "power-up" for the first.
  std::string transaction_;
  bool failed_ = false;
  std::string report_;
  std::string failure_line_;
  std::vector<std::string> recent_events_;
};

}  // namespace marl
