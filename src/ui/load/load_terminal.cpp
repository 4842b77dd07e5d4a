#include "ui/load/load_terminal.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "base/session.h"
#include "link/receive.h"

namespace marl {

namespace {

constexpr size_t kRecentEvents = 20;

}  // namespace

LoadTerminal::LoadTerminal(int64_t number, const LoadScript& script, const LoadLimits& limits)
    : number_(number),
      script_(script),
      limits_(limits),
      terminal_(std::make_unique<Terminal>(&platform_)) {
  platform_.Attach(terminal_.get());
}

bool LoadTerminal::Start(const std::string& command_line, const StartOptions& options,
                         uint32_t source_address, TerminalFailure* failure) {
  Terminal& t = *terminal_;
  t.link.source_address = source_address;
  std::vector<char> line(command_line.begin(), command_line.end());
  line.push_back(0);
  StartOptions many = options;
  many.many = true;
  errno = 0;
  const StartResult result = StartProgram(t, line.data(), many);
  const int error = errno;
  if (result == StartResult::kRunning) return true;
  failure->terminal = number_;
  failure->kind = LoadError::kConnect;
  failure->reason = "no connection";
  for (const std::string& event : platform_.TakeEvents()) {
    if (event.compare(0, 7, "msgbox ") == 0) failure->reason = event;
  }
  if (error != 0) failure->reason += std::string(": ") + std::strerror(error);
  const WindowView view = platform_.VisibleWindow();
  for (int32_t r = 0; r < view.rows; ++r) failure->screen.push_back(view.RowText(r));
  return false;
}

void LoadTerminal::Adopt(const LoadSinks& sinks) {
  sinks_ = sinks;
  // Nobody reads the answers: only whether each went well counts.
  interpreter_ = std::make_unique<Interpreter>(*terminal_, platform_, nullptr);
  interpreter_->set_script(script_.path);
  interpreter_->set_update_goldens(limits_.update_goldens);
  sinks_.counters->Bump(sinks_.counters->connected);
  Observe();
}

bool LoadTerminal::Ending() const {
  return platform_.Ending();
}

bool LoadTerminal::Observe() {
  Terminal& t = *terminal_;
  if (t.link.transmit_count != transmits_seen_) {
    sinks_.counters->Bump(sinks_.counters->replies, t.link.transmit_count - transmits_seen_);
    transmits_seen_ = t.link.transmit_count;
    // Only a transmission that leaves the terminal waiting expects a screen:
    // a status reply does not.
    awaiting_answer_ = IsWaitingForHost(t) != 0;
    sent_at_ = t.link.transmit_start;
    if (awaiting_answer_) {
      if (command_.empty()) {
        transaction_ = "power-up";
      } else if (!interpreter_->mark().empty()) {
        transaction_ = interpreter_->mark();
      } else {
        transaction_ = "line " + std::to_string(script_.lines[next_].number);
      }
    }
  }
  for (const std::string& event : platform_.TakeEvents()) {
    // A few kept for a failed test case's artifacts.
    if (recent_events_.size() == kRecentEvents) recent_events_.erase(recent_events_.begin());
    recent_events_.push_back(event);
    if (event.compare(0, 7, "msgbox ") == 0 && state_ != State::kFinished) {
      Fail(LoadError::kMessageBox, event.substr(7));
    }
  }
  return state_ != State::kFinished;
}

bool LoadTerminal::Receive(char* buffer) {
  Terminal& t = *terminal_;
  const uint64_t arrived = platform_.Now();
  const int32_t n = ReceiveStep(t, t.link.socket, buffer);
  if (n > 0) {
    sinks_.counters->Bump(sinks_.counters->screens);
    if (awaiting_answer_) {
      // File-time units of 100 ns.
      const uint64_t us = arrived > sent_at_ ? (arrived - sent_at_) / 10 : 0;
      sinks_.response->Add(us, transaction_);
      if (sinks_.log != nullptr) sinks_.log->Transaction(number_, transaction_, us, n, "");
      awaiting_answer_ = false;
    }
    Observe();
    return true;
  }
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
  platform_.HostClosed();
  return false;
}

bool LoadTerminal::Answered() {
  const std::string& error = interpreter_->error();
  if (error.empty()) {
    ++next_;
    return true;
  }
  LoadError kind = LoadError::kCommand;
  if (interpreter_->last_was_wait()) {
    kind = interpreter_->last_timed_out() ? LoadError::kWaitTimeout : LoadError::kConnectionClosed;
  }
  Fail(kind, error);
  return false;
}

LoadTerminal::Clock::time_point LoadTerminal::Advance(Clock::time_point now) {
  while (state_ != State::kFinished) {
    if (Ending() || now >= limits_.end || limits_.stopping.load(std::memory_order_relaxed)) {
      Finish();
      break;
    }
    if (state_ == State::kWaiting) {
      if (interpreter_->Check(now) == Interpreter::Step::kWaiting) return interpreter_->due();
      state_ = State::kRunning;
      if (!Answered()) break;
      continue;
    }
    if (next_ == script_.lines.size()) {
      sinks_.counters->Bump(sinks_.counters->iterations);
      if (limits_.iterations > 0 && iteration_ >= limits_.iterations) {
        Finish();
        break;
      }
      ++iteration_;
      next_ = 0;
      // A mark names what follows it in its own pass through the script.
      interpreter_->ClearMark();
      // A script that never waits would keep the worker to itself: the
      // other terminals get their turn between iterations.
      return now;
    }
    // The script was checked when it was read; this cannot fail.
    FillPlaceholders(script_.lines[next_].text, number_, iteration_, &command_);
    sinks_.counters->Bump(sinks_.counters->commands);
    if (!Observe()) break;
    interpreter_->set_line(script_.lines[next_].number);
    const Interpreter::Step step = interpreter_->Start(command_, now);
    if (!Observe()) break;
    if (step == Interpreter::Step::kWaiting) {
      // It has looked once already: the next look is due on a chunk or then.
      state_ = State::kWaiting;
      return interpreter_->due();
    }
    if (!Answered()) break;
  }
  return Clock::time_point::max();
}

void LoadTerminal::Fail(LoadError kind, const std::string& reason) {
  TerminalFailure f;
  f.terminal = number_;
  f.kind = kind;
  if (next_ < script_.lines.size() && !command_.empty()) {
    f.line = script_.lines[next_].number;
    f.command = command_;
  }
  f.reason = reason;
  failed_ = true;
  failure_line_ = script_.path + (f.line > 0 ? ":" + std::to_string(f.line) : "") + ": " + reason;
  if (interpreter_ != nullptr) report_ = interpreter_->report();
  const WindowView view = platform_.VisibleWindow();
  for (int32_t r = 0; r < view.rows; ++r) f.screen.push_back(view.RowText(r));
  sinks_.counters->Bump(sinks_.counters->errors[size_t(kind)]);
  // The transaction it was in failed: the one awaiting its answer, else
  // the one the failing command belongs to.
  std::string name = transaction_;
  if (!awaiting_answer_ && interpreter_ != nullptr && !interpreter_->mark().empty()) {
    name = interpreter_->mark();
  } else if (!awaiting_answer_ && f.line > 0) {
    name = "line " + std::to_string(f.line);
  }
  if (!name.empty()) sinks_.response->AddError(name);
  if (sinks_.log != nullptr) {
    const uint64_t now = platform_.Now();
    const uint64_t us = awaiting_answer_ && now > sent_at_ ? (now - sent_at_) / 10 : 0;
    sinks_.log->Transaction(number_, name.empty() ? "power-up" : name, us, 0,
                            std::string(LoadErrorName(kind)) + ": " + reason);
    sinks_.log->Ended(number_, &f);
  }
  awaiting_answer_ = false;
  sinks_.failures->push_back(std::move(f));
  if (state_ != State::kFinished && sinks_.finished) sinks_.finished(*this);
  state_ = State::kFinished;
  Stop();
}

void LoadTerminal::Finish() {
  if (state_ != State::kFinished) {
    if (sinks_.log != nullptr) sinks_.log->Ended(number_, nullptr);
    if (sinks_.finished) sinks_.finished(*this);
  }
  state_ = State::kFinished;
  Stop();
}

void LoadTerminal::Stop() {
  platform_.CloseMainWindow();
}

}  // namespace marl
