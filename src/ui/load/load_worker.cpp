#include "ui/load/load_worker.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace marl {

namespace {

// The epoll tag of the wake-up descriptor; terminals are tagged by index.
constexpr uint64_t kWakeTag = UINT64_MAX;
constexpr int kEventsAtOnce = 256;

}  // namespace

LoadWorker::LoadWorker() {
  epoll_ = epoll_create1(EPOLL_CLOEXEC);
  wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (ok()) {
    epoll_event e{};
    e.events = EPOLLIN;
    e.data.u64 = kWakeTag;
    epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &e);
  }
}

LoadWorker::~LoadWorker() {
  Stop();
  Join();
  if (epoll_ >= 0) close(epoll_);
  if (wake_ >= 0) close(wake_);
}

void LoadWorker::Start() {
  thread_ = std::thread([this] { Run(); });
}

void LoadWorker::Add(std::unique_ptr<LoadTerminal> terminal) {
  std::lock_guard lock(mutex_);
  incoming_.push_back(std::move(terminal));
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(wake_, &one, sizeof one);
}

void LoadWorker::StopTerminal(int64_t number) {
  std::lock_guard lock(mutex_);
  stopping_.push_back(number);
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(wake_, &one, sizeof one);
}

void LoadWorker::NoMoreTerminals() {
  std::lock_guard lock(mutex_);
  no_more_ = true;
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(wake_, &one, sizeof one);
}

void LoadWorker::Stop() {
  std::lock_guard lock(mutex_);
  stop_ = true;
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(wake_, &one, sizeof one);
}

void LoadWorker::Join() {
  if (thread_.joinable()) thread_.join();
}

bool LoadWorker::TakeIncoming(Clock::time_point now) {
  std::vector<std::unique_ptr<LoadTerminal>> taken;
  std::vector<int64_t> stopping;
  bool stop = false;
  {
    std::lock_guard lock(mutex_);
    taken.swap(incoming_);
    stopping.swap(stopping_);
    stop = stop_;
  }
  const LoadSinks sinks{&counters, &response, &failures, log, finished};
  for (std::unique_ptr<LoadTerminal>& terminal : taken) {
    const size_t index = terminals_.size();
    terminals_.push_back(std::move(terminal));
    due_.push_back(Clock::time_point::max());
    running_.fetch_add(1, std::memory_order_relaxed);
    LoadTerminal& t = *terminals_[index];
    t.Adopt(sinks);
    epoll_event e{};
    e.events = EPOLLIN;
    e.data.u64 = index;
    if (t.finished() || epoll_ctl(epoll_, EPOLL_CTL_ADD, t.socket(), &e) != 0) {
      Retire(index);
      continue;
    }
    if (!stop) Look(index, now);
  }
  for (const int64_t number : stopping) {
    for (size_t i = 0; i < terminals_.size(); ++i) {
      if (terminals_[i] == nullptr || terminals_[i]->number() != number) continue;
      terminals_[i]->Stop();
      Look(i, now);
    }
  }
  return !stop;
}

void LoadWorker::Look(size_t index, Clock::time_point now) {
  LoadTerminal& t = *terminals_[index];
  const Clock::time_point due = t.Advance(now);
  if (t.finished()) {
    Retire(index);
    return;
  }
  due_[index] = due;
  if (due != Clock::time_point::max()) timers_.push({due, index});
}

void LoadWorker::Retire(size_t index) {
  // Its socket is closed by now, which took it out of the epoll set.
  terminals_[index].reset();
  due_[index] = Clock::time_point::max();
  running_.fetch_sub(1, std::memory_order_relaxed);
}

int LoadWorker::TimeoutMs(Clock::time_point now) {
  while (!timers_.empty()) {
    const Due& top = timers_.top();
    if (terminals_[top.second] != nullptr && due_[top.second] == top.first) break;
    timers_.pop();
  }
  if (timers_.empty()) return -1;
  const auto left = timers_.top().first - now;
  if (left <= Clock::duration::zero()) return 0;
  // Rounded up, so a wait is never woken a little early and looked at again.
  return int(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

void LoadWorker::Run() {
  epoll_event events[kEventsAtOnce];
  for (;;) {
    Clock::time_point now = Clock::now();
    if (!TakeIncoming(now)) break;
    {
      std::lock_guard lock(mutex_);
      if (no_more_ && incoming_.empty() && running() == 0) break;
    }
    const int n = epoll_wait(epoll_, events, kEventsAtOnce, TimeoutMs(now));
    if (n < 0 && errno != EINTR) break;
    now = Clock::now();
    for (int i = 0; i < n; ++i) {
      const uint64_t tag = events[i].data.u64;
      if (tag == kWakeTag) {
        uint64_t count = 0;
        [[maybe_unused]] const ssize_t r = read(wake_, &count, sizeof count);
        continue;
      }
      // A terminal retired earlier in this batch may still have an event.
      if (tag >= terminals_.size() || terminals_[tag] == nullptr) continue;
      LoadTerminal& t = *terminals_[tag];
      if (!t.Receive(buffer_)) epoll_ctl(epoll_, EPOLL_CTL_DEL, t.socket(), nullptr);
      Look(size_t(tag), now);
    }
    // Those due now; a terminal that asks to be looked at again at once
    // comes round after the sockets have been looked at again.
    std::vector<Due> expired;
    while (!timers_.empty() && timers_.top().first <= now) {
      expired.push_back(timers_.top());
      timers_.pop();
    }
    for (const Due& due : expired) {
      if (terminals_[due.second] != nullptr && due_[due.second] == due.first) {
        Look(due.second, now);
      }
    }
  }
  // The run is over: every terminal still running closes its window.
  for (size_t i = 0; i < terminals_.size(); ++i) {
    if (terminals_[i] == nullptr) continue;
    terminals_[i]->Stop();
    Retire(i);
  }
  finished_at_ = Clock::now();
  done_.store(true);
}

}  // namespace marl
