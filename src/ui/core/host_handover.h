// The hand-over of host chunks from the receive thread to the main thread,
// as a synchronous window message does it: the receive thread offers one
// chunk and returns only once the main thread has handled it, so its buffer
// is free again. Any front end's event loop can use it.
//
// It is built for latency: a chunk changes hands through one atomic word,
// and a side that blocks is woken only when it does block, with a futex
// for the receive thread and an event descriptor for the main thread, which
// waits for its own input at the same time. Neither side spins while the
// other works: measured on two shared cores, that only kept the other from
// running. The one brief wait is below, where both sides have just woken.
//
// A main thread that waits may also watch the socket the chunks come from:
// data there wakes both threads at once, and the main thread waits a few
// microseconds for the receive thread's offer instead of being woken by it,
// which takes one thread switch off every round trip from the host.
#pragma once

#include <poll.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace marl {

class HostHandover {
 public:
  // Without a wake descriptor (a front end that hands chunks over its own
  // way, one of many in one process) the main thread's waits only time out.
  explicit HostHandover(bool wake_descriptor = true);
  ~HostHandover();
  HostHandover(const HostHandover&) = delete;
  HostHandover& operator=(const HostHandover&) = delete;

  // Receive thread: offers the chunk and waits until the main thread has
  // called Done for it, or until Stop.
  void HandOver(const char* bytes, int32_t length);
  // Receive thread: the host closed the connection; no more chunks come.
  void Close();

  // Main thread: the chunk that waits, if any. It stays valid until Done.
  bool Take(const char** bytes, int32_t* length);
  void Done();
  // Main thread: waits until a chunk waits, the host has closed (reported
  // once), `input` is readable (-1: no input) or `timeout_ms` has passed
  // (-1: no limit). True when `input` is readable.
  bool Wait(int input, int32_t timeout_ms);
  // The same for any number of inputs: their `revents` are set, and the
  // number of readable ones returned (-1 when the wait failed).
  int Wait(pollfd* inputs, size_t count, int32_t timeout_ms);
  // Main thread: from now on Wait watches `fd` (the host's socket, -1 for
  // none) beside the wake descriptor, as above. Set it while no Wait runs.
  void WatchSource(int fd) { source_fd_ = fd; }
  // Main thread: the window is gone; hand-overs return at once from now on,
  // so that the receive thread can end.
  void Stop();

  // For an event loop that waits for other things too: a descriptor that
  // turns readable whenever a chunk waits or the host closes (it is written
  // on every hand-over once asked for), and its draining.
  int wake_fd();
  void DrainWake();
  // Runs on the receive thread after each offer and on Close, for a loop
  // that has a wake-up of its own. Set before the receive thread starts.
  void set_wake_hook(std::function<void()> hook) { wake_hook_ = std::move(hook); }

  // The host has closed and no chunk waits.
  bool closed() const;
  bool stopped() const { return stopped_.load(); }

 private:
  bool ChunkOrNews();
  // After the source turned readable: true once a chunk or news has come,
  // false when none came in the brief wait.
  bool AwaitOffer();
  void WakeMain();

  // kOffered while a chunk waits for the main thread; the futex word.
  std::atomic<uint32_t> state_{0};
  const char* bytes_ = nullptr;
  int32_t length_ = 0;
  std::atomic<uint32_t> receiver_blocked_{0};
  std::atomic<uint32_t> main_blocked_{0};
  std::atomic<bool> closed_{false};
  std::atomic<bool> stopped_{false};
  std::atomic<bool> always_wake_{false};
  std::function<void()> wake_hook_;
  bool close_reported_ = false;  // main thread only
  int wake_fd_ = -1;
  int source_fd_ = -1;         // main thread only
  bool source_quiet_ = false;  // main thread only: a brief wait came to nothing
};

}  // namespace marl
