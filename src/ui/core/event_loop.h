// The front ends' one event loop: sources registered with a callback each,
// one turn that waits for whichever comes first and runs what is ready.
// Descriptors (standard input or a script, the tty, a resize pipe) are
// watched for reading; timers (a caret's blink, a wait's time limit, the
// next script line) run once when due; hooks run before every wait (to show
// what changed) and after it (the host hand-over's chunks, a waiting
// command looking again). A face whose events do not come through a
// descriptor (a window system's queue) supplies the wait itself.
//
// A turn may run inside another (a modal window's loop inside a command):
// sources are looked up again after every callback, so a callback may add
// or remove any source.
#pragma once

#include <poll.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace marl {

class EventLoop {
 public:
  using Clock = std::chrono::steady_clock;
  using Callback = std::function<void()>;

  // Waits until a descriptor in `fds` is readable or `timeout_ms` has
  // passed (-1: no limit), as poll does, and returns poll's result.
  class Waiter {
   public:
    virtual ~Waiter() = default;
    virtual int Wait(pollfd* fds, size_t count, int timeout_ms) = 0;
  };

  // Calls `on_ready` with poll's events (readable, hung up) while `fd` has
  // any, until removed or paused.
  using FileCallback = std::function<void(short events)>;
  void AddFile(int fd, FileCallback on_ready);
  void RemoveFile(int fd);
  void PauseFile(int fd, bool paused);
  // Runs `callback` once at `when`; returns its id for RemoveTimer.
  int64_t AddTimer(Clock::time_point when, Callback callback);
  void RemoveTimer(int64_t id);
  void AddBeforeWait(Callback hook) { before_wait_.push_back(std::move(hook)); }
  void AddAfterWait(Callback hook) { after_wait_.push_back(std::move(hook)); }
  // Null: plain poll. Not owned.
  void set_waiter(Waiter* waiter) { waiter_ = waiter; }
  // The program is ending: every RunUntil returns.
  void set_ending(std::function<bool()> ending) { ending_ = std::move(ending); }

  // One turn: waits at most `timeout_ms` (-1: until something comes), less
  // when a timer is due sooner, then runs the hooks after the wait, the
  // readable descriptors' callbacks and the timers that are due.
  void ProcessEvents(int timeout_ms);
  // Turns until `done` holds (true) or the program ends (false); without
  // `done`, until the program ends.
  bool RunUntil(const std::function<bool()>& done);

 private:
  struct File {
    FileCallback callback;
    bool paused = false;
  };
  struct Timer {
    Clock::time_point when;
    Callback callback;
  };

  std::map<int, File> files_;
  std::map<int64_t, Timer> timers_;
  int64_t next_timer_ = 1;
  std::vector<Callback> before_wait_;
  std::vector<Callback> after_wait_;
  Waiter* waiter_ = nullptr;
  std::function<bool()> ending_;
};

}  // namespace marl
