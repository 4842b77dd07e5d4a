#include "ui/core/event_loop.h"

#include <algorithm>
#include <cerrno>

namespace marl {

void EventLoop::AddFile(int fd, FileCallback on_ready) {
  if (fd < 0) return;
  files_[fd] = File{std::move(on_ready), false};
}

void EventLoop::RemoveFile(int fd) {
  files_.erase(fd);
}

void EventLoop::PauseFile(int fd, bool paused) {
  auto it = files_.find(fd);
  if (it != files_.end()) it->second.paused = paused;
}

int64_t EventLoop::AddTimer(Clock::time_point when, Callback callback) {
  const int64_t id = next_timer_++;
  timers_[id] = Timer{when, std::move(callback)};
  return id;
}

void EventLoop::RemoveTimer(int64_t id) {
  timers_.erase(id);
}

void EventLoop::ProcessEvents(int timeout_ms) {
  // Hooks and callbacks are copied before they run: any of them may change
  // the lists, or run a turn of its own.
  for (const Callback& hook : std::vector<Callback>(before_wait_)) hook();
  std::vector<pollfd> fds;
  for (const auto& [fd, file] : files_) {
    if (!file.paused) fds.push_back({fd, POLLIN, 0});
  }
  Clock::time_point now = Clock::now();
  for (const auto& [id, timer] : timers_) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(timer.when - now).count();
    const int ms = int(std::clamp<int64_t>(left, 0, INT32_MAX));
    if (timeout_ms < 0 || ms < timeout_ms) timeout_ms = ms;
  }
  const int ready = waiter_ != nullptr ? waiter_->Wait(fds.data(), fds.size(), timeout_ms)
                                       : poll(fds.data(), fds.size(), timeout_ms);
  for (const Callback& hook : std::vector<Callback>(after_wait_)) hook();
  if (ready > 0) {
    for (const pollfd& p : fds) {
      if (p.revents == 0) continue;
      auto it = files_.find(p.fd);
      if (it == files_.end() || it->second.paused) continue;
      const FileCallback callback = it->second.callback;
      callback(p.revents);
    }
  }
  now = Clock::now();
  std::vector<int64_t> due;
  for (const auto& [id, timer] : timers_) {
    if (timer.when <= now) due.push_back(id);
  }
  for (int64_t id : due) {
    auto it = timers_.find(id);
    if (it == timers_.end()) continue;
    const Callback callback = std::move(it->second.callback);
    timers_.erase(it);
    callback();
  }
}

bool EventLoop::RunUntil(const std::function<bool()>& done) {
  for (;;) {
    if (ending_ && ending_()) return false;
    if (done && done()) return true;
    ProcessEvents(-1);
  }
}

}  // namespace marl
