#include "ui/core/host_handover.h"

#include <linux/futex.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <vector>

namespace marl {

namespace {

constexpr uint32_t kIdle = 0;
constexpr uint32_t kOffered = 1;

void FutexWait(std::atomic<uint32_t>* word, uint32_t expected) {
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAIT_PRIVATE, expected, nullptr,
          nullptr, 0);
}

void FutexWakeAll(std::atomic<uint32_t>* word) {
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAKE_PRIVATE, INT_MAX, nullptr,
          nullptr, 0);
}

}  // namespace

HostHandover::HostHandover(bool wake_descriptor)
    : wake_fd_(wake_descriptor ? eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK) : -1) {}

HostHandover::~HostHandover() {
  if (wake_fd_ >= 0) close(wake_fd_);
}

void HostHandover::HandOver(const char* bytes, int32_t length) {
  if (stopped_.load()) return;
  bytes_ = bytes;
  length_ = length;
  // Sequentially consistent stores and loads on both sides: whichever of a
  // side blocking and the other side acting comes second sees the first.
  state_.store(kOffered);
  if (main_blocked_.load() || always_wake_.load()) WakeMain();
  if (wake_hook_) wake_hook_();
  // A Stop that came after the offer leaves the word idle; one that came
  // before it is seen here.
  const auto handled = [this] { return state_.load() != kOffered || stopped_.load(); };
  receiver_blocked_.store(1);
  while (!handled()) FutexWait(&state_, kOffered);
  receiver_blocked_.store(0);
}

void HostHandover::Close() {
  closed_.store(true);
  if (main_blocked_.load() || always_wake_.load()) WakeMain();
  if (wake_hook_) wake_hook_();
}

bool HostHandover::Take(const char** bytes, int32_t* length) {
  if (state_.load(std::memory_order_acquire) != kOffered || stopped_.load()) return false;
  source_quiet_ = false;
  *bytes = bytes_;
  *length = length_;
  return true;
}

void HostHandover::Done() {
  state_.store(kIdle);
  if (receiver_blocked_.load()) FutexWakeAll(&state_);
}

void HostHandover::Stop() {
  stopped_.store(true);
  state_.store(kIdle);
  FutexWakeAll(&state_);
}

bool HostHandover::closed() const {
  return closed_.load() && state_.load() != kOffered;
}

bool HostHandover::ChunkOrNews() {
  if (state_.load() == kOffered) return true;
  if (closed_.load() && !close_reported_) {
    close_reported_ = true;
    return true;
  }
  return false;
}

bool HostHandover::Wait(int input, int32_t timeout_ms) {
  pollfd p{input, POLLIN, 0};
  return Wait(&p, input >= 0 ? 1 : 0, timeout_ms) > 0 && p.revents != 0;
}

int HostHandover::Wait(pollfd* inputs, size_t count, int32_t timeout_ms) {
  for (size_t i = 0; i < count; ++i) inputs[i].revents = 0;
  if (ChunkOrNews()) return 0;
  main_blocked_.store(1);
  if (ChunkOrNews()) {
    main_blocked_.store(0);
    return 0;
  }
  // Once the host has closed, or when the last brief wait came to nothing,
  // a readable socket says nothing new: only the wake descriptor counts.
  const bool watch = source_fd_ >= 0 && !source_quiet_ && !closed_.load() && !stopped_.load();
  std::vector<pollfd> fds;
  fds.reserve(count + 2);
  fds.push_back({wake_fd_, POLLIN, 0});
  fds.insert(fds.end(), inputs, inputs + count);
  if (watch) fds.push_back({source_fd_, POLLIN, 0});
  const int result = poll(fds.data(), fds.size(), timeout_ms);
  main_blocked_.store(0);
  if (result <= 0) return result;
  if (fds[0].revents != 0) DrainWake();
  int inputs_ready = 0;
  for (size_t i = 0; i < count; ++i) {
    inputs[i].revents = fds[i + 1].revents;
    if (inputs[i].revents != 0) ++inputs_ready;
  }
  if (watch && fds.back().revents != 0 && inputs_ready == 0) source_quiet_ = !AwaitOffer();
  return inputs_ready;
}

bool HostHandover::AwaitOffer() {
  // About as long as the receive thread takes from its wake-up to its offer.
  constexpr auto kBriefWait = std::chrono::microseconds(30);
  const auto until = std::chrono::steady_clock::now() + kBriefWait;
  for (int i = 0;; ++i) {
    if (state_.load() == kOffered || closed_.load() || stopped_.load()) return true;
    if ((i & 63) == 63 && std::chrono::steady_clock::now() >= until) return false;
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
  }
}

int HostHandover::wake_fd() {
  // A chunk offered (or a close) before the wake-up was asked for wrote
  // nothing: say it now, or a loop that looked just before would sleep on
  // it. Both sides store then load, so at least one of them writes.
  if (!always_wake_.exchange(true) && (state_.load() == kOffered || closed_.load())) WakeMain();
  return wake_fd_;
}

void HostHandover::DrainWake() {
  if (wake_fd_ < 0) return;
  uint64_t count = 0;
  [[maybe_unused]] const ssize_t n = read(wake_fd_, &count, sizeof count);
}

void HostHandover::WakeMain() {
  if (wake_fd_ < 0) return;
  const uint64_t one = 1;
  // A counter that is already set says "look" as well: a failed write loses
  // nothing.
  [[maybe_unused]] const ssize_t n = write(wake_fd_, &one, sizeof one);
}

}  // namespace marl
