#include "ui/core/script_reader.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "terminal.h"
#include "ui/core/core_platform.h"

namespace marl {

namespace {

constexpr size_t kMaxLine = 1 << 20;

}  // namespace

ScriptReader::ScriptReader(Terminal& t, CorePlatform& core, EventLoop* loop, int input,
                           std::FILE* output)
    : core_(core),
      own_loop_(loop == nullptr ? std::make_unique<EventLoop>() : nullptr),
      loop_(loop != nullptr ? *loop : *own_loop_),
      interpreter_(t, core, this),
      input_(input),
      output_(output),
      at_end_([&core] { core.CloseMainWindow(); }) {
  if (own_loop_ != nullptr) core_.AttachTo(loop_);
  const std::weak_ptr<bool> alive = alive_;
  // A waiting command looks again whenever the loop has woken: host data
  // has been handled by then.
  loop_.AddAfterWait([this, alive] {
    if (!alive.expired()) LookAgain();
  });
  if (input_ >= 0) loop_.AddFile(input_, [this](short) { OnReadable(); });
  UpdateInput();
}

ScriptReader::~ScriptReader() {
  alive_.reset();
  if (input_ >= 0) loop_.RemoveFile(input_);
  if (step_timer_ != 0) loop_.RemoveTimer(step_timer_);
  if (wait_timer_ != 0) loop_.RemoveTimer(wait_timer_);
}

void ScriptReader::Write(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), output_);
}

void ScriptReader::Flush() {
  std::fflush(output_);
}

void ScriptReader::Run() {
  // Lines that came before the loop started are not left waiting.
  Schedule();
  loop_.RunUntil(nullptr);
}

bool ScriptReader::RunNested(const std::function<bool()>& done) {
  interpreter_.AnswerRunningCommand();
  Schedule();
  return loop_.RunUntil(done);
}

void ScriptReader::Execute(std::string_view line) {
  Waited(interpreter_.Start(line, EventLoop::Clock::now()));
  while (interpreter_.waiting()) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(interpreter_.due() - EventLoop::Clock::now());
    loop_.ProcessEvents(int(std::clamp<int64_t>(left.count(), 0, INT32_MAX)));
    LookAgain();
  }
}

void ScriptReader::OnReadable() {
  char bytes[4096];
  const ssize_t n = read(input_, bytes, sizeof bytes);
  if (n > 0) {
    buffered_.append(bytes, size_t(n));
  } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
    input_ended_ = true;
    loop_.RemoveFile(input_);
  }
  UpdateInput();
  Schedule();
}

ScriptReader::Read ScriptReader::TakeLine(std::string* line) {
  for (;;) {
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
    if (!input_ended_) return Read::kNone;
    if (discarding_) {
      discarding_ = false;
      return Read::kTooLong;
    }
    if (buffered_.empty()) return Read::kNone;
    line->swap(buffered_);
    buffered_.clear();
    return Read::kLine;
  }
}

void ScriptReader::UpdateInput() {
  if (input_ended_ || input_ < 0) return;
  // Read no further than the next line while there is one to run.
  const bool busy = interpreter_.waiting() || buffered_.find('\n') != std::string::npos;
  loop_.PauseFile(input_, busy);
}

void ScriptReader::Schedule() {
  if (step_timer_ != 0 || interpreter_.waiting()) return;
  step_timer_ = loop_.AddTimer(EventLoop::Clock::now(), [this] {
    step_timer_ = 0;
    Step();
  });
}

void ScriptReader::Step() {
  if (core_.Ending() || interpreter_.waiting()) return;
  std::string line;
  switch (TakeLine(&line)) {
    case Read::kLine:
      interpreter_.set_line(++line_number_);
      Waited(interpreter_.Start(line, EventLoop::Clock::now()));
      break;
    case Read::kTooLong:
      ++line_number_;
      Write("error: line too long\n");
      Flush();
      too_long_ = true;
      Schedule();
      break;
    case Read::kNone:
      if (input_ended_ && !at_end_done_) {
        at_end_done_ = true;
        if (at_end_) at_end_();
      }
      break;
  }
  UpdateInput();
}

void ScriptReader::LookAgain() {
  if (interpreter_.waiting()) Waited(interpreter_.Check(EventLoop::Clock::now()));
}

void ScriptReader::Waited(Interpreter::Step step) {
  if (step == Interpreter::Step::kAnswered) {
    if (wait_timer_ != 0) {
      loop_.RemoveTimer(wait_timer_);
      wait_timer_ = 0;
    }
    UpdateInput();
    Schedule();
    return;
  }
  const auto due = interpreter_.due();
  if (wait_timer_ != 0 && due == wait_due_) return;
  if (wait_timer_ != 0) loop_.RemoveTimer(wait_timer_);
  wait_due_ = due;
  wait_timer_ = due == EventLoop::Clock::time_point::max() ? 0 : loop_.AddTimer(due, [this] {
    wait_timer_ = 0;
    LookAgain();
  });
  UpdateInput();
}

}  // namespace marl
