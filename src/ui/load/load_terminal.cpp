#include "ui/load/load_terminal.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include "app/app_state.h"
#include "base/session.h"
#include "link/receive.h"
#include "platform/messages.h"
#include "ui/load/answer_sink.h"

namespace marl {

namespace {

// A wait for quiet gives up this long after the quiet it asked for.
constexpr int64_t kQuietGraceMs = 5000;

bool ReadsWindow(const std::string& command) {
  std::string name = command.substr(0, command.find_first_of(" \t"));
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return name == "screen" || name == "attrs" || name == "grid" || name == "state";
}

}  // namespace

void LoadPlatform::HandOverHostData(const char* bytes, int32_t length) {
  SendMessage(kWmHostData, uintptr_t(length), reinterpret_cast<intptr_t>(bytes));
  ++chunks_;
}

void LoadPlatform::HostClosed() {
  closed_ = true;
  HeadlessPlatform::HostClosed();
}

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
  automation_ = std::make_unique<Automation>(*terminal_, platform_, -1, sinks.answers->file());
  last_chunk_ = Clock::now();
  sinks_.counters->Bump(sinks_.counters->connected);
  Observe();
}

bool LoadTerminal::Ending() const {
  return App(*terminal_).ending || platform_.quit_requested() || platform_.quit_posted();
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
  }
  for (const std::string& event : platform_.TakeEvents()) {
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
    last_chunk_ = Clock::now();
    if (awaiting_answer_) {
      // File-time units of 100 ns.
      sinks_.response->Add(arrived > sent_at_ ? (arrived - sent_at_) / 10 : 0);
      awaiting_answer_ = false;
    }
    Observe();
    return true;
  }
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
  platform_.HostClosed();
  return false;
}

bool LoadTerminal::WaitHolds(Clock::time_point now, std::string* failure) {
  bool holds = false;
  switch (wait_.kind) {
    case WaitKind::kReady:
      holds = IsWaitingForHost(*terminal_) == 0;
      break;
    case WaitKind::kOutput:
      holds = platform_.chunks() > chunks_at_read_;
      break;
    case WaitKind::kText: {
      const WindowView view = platform_.VisibleWindow();
      holds = wait_.text.empty();
      for (int32_t r = 0; r < view.rows && !holds; ++r) {
        holds = view.RowText(r).find(wait_.text) != std::string::npos;
      }
      break;
    }
    case WaitKind::kQuiet:
      holds = now - last_chunk_ >= std::chrono::milliseconds(wait_.limit_ms);
      break;
    case WaitKind::kClosed:
      holds = platform_.closed();
      break;
    case WaitKind::kSleep:
      return now >= deadline_;
  }
  if (holds) return true;
  if (wait_.kind != WaitKind::kClosed && platform_.closed()) {
    *failure = "host closed";
  } else if (now >= deadline_) {
    *failure = "timeout";
  }
  return false;
}

LoadTerminal::Clock::time_point LoadTerminal::Advance(Clock::time_point now) {
  while (state_ != State::kFinished) {
    if (Ending() || now >= limits_.end || limits_.stopping.load(std::memory_order_relaxed)) {
      Finish();
      break;
    }
    if (state_ == State::kWaiting) {
      std::string failure;
      if (WaitHolds(now, &failure)) {
        state_ = State::kRunning;
        ++next_;
        continue;
      }
      if (!failure.empty()) {
        Fail(failure == "timeout" ? LoadError::kWaitTimeout : LoadError::kConnectionClosed,
             failure);
        break;
      }
      if (wait_.kind == WaitKind::kQuiet) {
        return std::min(deadline_, last_chunk_ + std::chrono::milliseconds(wait_.limit_ms));
      }
      return deadline_;
    }
    if (next_ == script_.lines.size()) {
      sinks_.counters->Bump(sinks_.counters->iterations);
      if (limits_.iterations > 0 && iteration_ >= limits_.iterations) {
        Finish();
        break;
      }
      ++iteration_;
      next_ = 0;
      // A script that never waits would keep the worker to itself: the
      // other terminals get their turn between iterations.
      return now;
    }
    std::string error;
    LoadCommand command = LoadCommand::kAutomation;
    // The script was checked when it was read; these cannot fail.
    FillPlaceholders(script_.lines[next_].text, number_, iteration_, &command_, &error);
    ParseLoadCommand(command_, &command, &wait_, &error);
    sinks_.counters->Bump(sinks_.counters->commands);
    if (command == LoadCommand::kWait || command == LoadCommand::kSleep) {
      const int64_t limit = wait_.limit_ms + (wait_.kind == WaitKind::kQuiet ? kQuietGraceMs : 0);
      deadline_ = now + std::chrono::milliseconds(limit);
      state_ = State::kWaiting;
      continue;
    }
    if (command == LoadCommand::kQuit) {
      Finish();
      break;
    }
    if (!Observe()) break;
    automation_->Execute(command_);
    error = sinks_.answers->TakeError();
    if (ReadsWindow(command_)) chunks_at_read_ = platform_.chunks();
    if (!Observe()) break;
    if (!error.empty()) {
      Fail(LoadError::kCommand, error);
      break;
    }
    ++next_;
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
  const WindowView view = platform_.VisibleWindow();
  for (int32_t r = 0; r < view.rows; ++r) f.screen.push_back(view.RowText(r));
  sinks_.counters->Bump(sinks_.counters->errors[size_t(kind)]);
  sinks_.failures->push_back(std::move(f));
  Finish();
}

void LoadTerminal::Finish() {
  state_ = State::kFinished;
  Stop();
}

void LoadTerminal::Stop() {
  if (!Ending()) platform_.SendMessage(kWmDestroy, 0, 0);
}

}  // namespace marl
