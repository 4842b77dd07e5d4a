// A thread that runs many terminals of a load run: it waits on all their
// sockets and time limits at once (epoll), and runs each terminal's receive
// step and script on this one thread, one terminal at a time. A chunk is
// handled completely before the next read, as on a terminal's own main
// thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <queue>
#include <thread>
#include <vector>

#include "link/link.h"
#include "ui/load/load_report.h"
#include "ui/load/load_terminal.h"

namespace marl {

class LoadWorker {
 public:
  using Clock = std::chrono::steady_clock;

  LoadWorker();
  ~LoadWorker();
  LoadWorker(const LoadWorker&) = delete;
  LoadWorker& operator=(const LoadWorker&) = delete;

  // False when the kernel gives no epoll or eventfd (out of descriptors).
  bool ok() const { return epoll_ >= 0 && wake_ >= 0; }
  void Start();
  // Any thread: a started, connected terminal for this worker to run.
  void Add(std::unique_ptr<LoadTerminal> terminal);
  // Any thread: terminal `number` stops, as at the end of a run.
  void StopTerminal(int64_t number);
  // Any thread: no terminal will be added any more.
  void NoMoreTerminals();
  // Any thread: the run is over; every terminal closes its window.
  void Stop();
  void Join();

  // Every terminal it was given has finished and no more will come.
  bool done() const { return done_.load(); }
  uint64_t running() const { return running_.load(std::memory_order_relaxed); }
  // When it became done; read once done.
  Clock::time_point finished_at() const { return finished_at_; }

  // Set before Start: told of each terminal that finishes.
  std::function<void(LoadTerminal&)> finished;

  // Written by the worker's thread; read the rest once it has been joined.
  LoadCounters counters;
  ResponseTimes response;
  std::vector<TerminalFailure> failures;
  // Set before Start, or null.
  TransactionLog* log = nullptr;

 private:
  using Due = std::pair<Clock::time_point, size_t>;

  void Run();
  // Takes the terminals added since the last look; false once stopped.
  bool TakeIncoming(Clock::time_point now);
  void Look(size_t index, Clock::time_point now);
  void Retire(size_t index);
  int TimeoutMs(Clock::time_point now);

  int epoll_ = -1;
  int wake_ = -1;
  std::thread thread_;

  std::mutex mutex_;
  std::vector<std::unique_ptr<LoadTerminal>> incoming_;
  std::vector<int64_t> stopping_;
  bool no_more_ = false;
  bool stop_ = false;

  std::vector<std::unique_ptr<LoadTerminal>> terminals_;
  // When each terminal wants to be looked at; the queue holds stale entries
  // too, which `due_` tells apart.
  std::vector<Clock::time_point> due_;
  std::priority_queue<Due, std::vector<Due>, std::greater<Due>> timers_;
  std::atomic<uint64_t> running_{0};
  std::atomic<bool> done_{false};
  Clock::time_point finished_at_;
  char buffer_[kReceiveBufferSize] = {};
};

}  // namespace marl
