#include "ui/tui/host_handover.h"

#include <fcntl.h>
#include <unistd.h>

namespace marl {

HostHandOver::HostHandOver() {
  // The receive thread writes the wake-up, so the pipe must never block it;
  // a full pipe already says "look".
  if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
}

HostHandOver::~HostHandOver() {
  for (int fd : wake_) {
    if (fd >= 0) close(fd);
  }
}

void HostHandOver::Wake() {
  const char byte = 1;
  if (wake_[1] >= 0) [[maybe_unused]]
    const ssize_t n = write(wake_[1], &byte, 1);
}

void HostHandOver::HandOver(const char* bytes, int32_t length) {
  std::unique_lock lock(mutex_);
  cv_.wait(lock, [&] { return !waiting_ || stopped_; });
  if (stopped_) return;
  bytes_ = bytes;
  length_ = length;
  waiting_ = true;
  Wake();
  // The bytes are the receive thread's own buffer: it may read into it again
  // only once the main thread is done with them.
  cv_.wait(lock, [&] { return !waiting_ || stopped_; });
}

void HostHandOver::Closed() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  Wake();
}

bool HostHandOver::HandleWaiting(const std::function<void(const char*, int32_t)>& handle) {
  if (wake_[0] >= 0) {
    char drain[64];
    while (read(wake_[0], drain, sizeof drain) > 0) {
    }
  }
  std::unique_lock lock(mutex_);
  // A chunk is handled once, even if its handling runs a nested loop.
  if (!waiting_ || stopped_ || handling_) return false;
  handling_ = true;
  const char* bytes = bytes_;
  const int32_t length = length_;
  lock.unlock();
  handle(bytes, length);
  lock.lock();
  handling_ = false;
  waiting_ = false;
  cv_.notify_all();
  return true;
}

bool HostHandOver::host_closed() {
  std::lock_guard lock(mutex_);
  return closed_ && !waiting_;
}

void HostHandOver::Stop() {
  std::lock_guard lock(mutex_);
  stopped_ = true;
  waiting_ = false;
  cv_.notify_all();
}

}  // namespace marl
