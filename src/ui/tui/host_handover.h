// The one road of host data into the terminal: the receive thread hands a
// chunk over and waits; the main thread, woken through a pipe that its
// event loop polls beside the keyboard, handles it and lets the thread go.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace marl {

class HostHandOver {
 public:
  HostHandOver();
  ~HostHandOver();
  HostHandOver(const HostHandOver&) = delete;
  HostHandOver& operator=(const HostHandOver&) = delete;

  // Receive thread: returns once the main thread has handled the chunk, or
  // at once when hand-overs have stopped.
  void HandOver(const char* bytes, int32_t length);
  // Receive thread: the host has closed the connection.
  void Closed();

  // Main thread. Readable while a chunk waits or after the host closed.
  int wake_fd() const { return wake_[0]; }
  // Handles the waiting chunk, if any, with `handle`; true when one was.
  bool HandleWaiting(const std::function<void(const char*, int32_t)>& handle);
  bool host_closed();
  // The window is gone: hand-overs return at once from now on, so that the
  // receive thread can end.
  void Stop();

 private:
  void Wake();

  std::mutex mutex_;
  std::condition_variable cv_;
  const char* bytes_ = nullptr;
  int32_t length_ = 0;
  bool waiting_ = false;
  bool handling_ = false;
  bool closed_ = false;
  bool stopped_ = false;
  int wake_[2] = {-1, -1};
};

}  // namespace marl
