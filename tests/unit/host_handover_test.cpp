// The hand-over of host chunks with the main thread watching the socket
// they come from: every chunk arrives, in order, and a socket that stays
// readable with nothing to hand over does not keep the main thread busy.
#include "ui/core/host_handover.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <string>
#include <thread>

namespace marl::testing {
namespace {

// The receive thread's part: read, hand over, until the other end closes.
void Receive(HostHandover& handover, int fd) {
  char buffer[4000];
  for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) {
    handover.HandOver(buffer, int32_t(n));
  }
  handover.Close();
}

// The main thread's part: the next chunk, waited for up to `ms`.
bool TakeNext(HostHandover& handover, std::string* chunk, int ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  const char* bytes = nullptr;
  int32_t length = 0;
  while (!handover.Take(&bytes, &length)) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    handover.Wait(-1, int32_t(left.count()));
  }
  chunk->assign(bytes, size_t(length));
  handover.Done();
  return true;
}

// One socket, first readable with nothing handed over, then fed by a
// receive thread until the host closes.
TEST(HostHandover, AnIdleReadableSocketThenEveryChunkInOrderThenTheClose) {
  int sv[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv), 0);
  ASSERT_EQ(send(sv[0], "x", 1, 0), 1);
  HostHandover handover;
  handover.WatchSource(sv[1]);
  // Nobody reads the byte: the main thread must sleep, not spin.
  const std::clock_t cpu_before = std::clock();
  const auto start = std::chrono::steady_clock::now();
  std::string chunk;
  EXPECT_FALSE(TakeNext(handover, &chunk, 300));
  const double wall_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(wall_ms, 290);
  EXPECT_LT(double(std::clock() - cpu_before) * 1000 / CLOCKS_PER_SEC, wall_ms / 3);
  // A chunk offered after that still wakes the waiting thread.
  std::thread late([&handover] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    handover.HandOver("late", 4);
  });
  EXPECT_TRUE(TakeNext(handover, &chunk, 30000));
  EXPECT_EQ(chunk, "late");
  late.join();
  std::thread receiver(Receive, std::ref(handover), sv[1]);
  ASSERT_TRUE(TakeNext(handover, &chunk, 30000));
  EXPECT_EQ(chunk, "x");
  for (int i = 0; i < 2000; ++i) {
    const std::string message = "record " + std::to_string(i);
    ASSERT_EQ(send(sv[0], message.data(), message.size(), 0), ssize_t(message.size()));
    ASSERT_TRUE(TakeNext(handover, &chunk, 30000)) << i;
    ASSERT_EQ(chunk, message);
  }
  // The host closes: reported once, and then the socket is not watched.
  shutdown(sv[0], SHUT_RDWR);
  receiver.join();
  EXPECT_FALSE(handover.Wait(-1, 5000));
  EXPECT_TRUE(handover.closed());
  close(sv[0]);
  close(sv[1]);
}

// A loop that asks for the wake descriptor only after its first look: a
// chunk offered in between still makes the descriptor readable.
TEST(HostHandover, AChunkOfferedBeforeTheWakeDescriptorIsAskedForStillWakes) {
  HostHandover handover;
  std::atomic<bool> offered{false};
  handover.set_wake_hook([&offered] { offered.store(true); });
  std::thread receiver([&handover] { handover.HandOver("late", 4); });
  while (!offered.load()) std::this_thread::yield();
  pollfd p{handover.wake_fd(), POLLIN, 0};
  EXPECT_EQ(poll(&p, 1, 30000), 1);
  std::string chunk;
  EXPECT_TRUE(TakeNext(handover, &chunk, 30000));
  EXPECT_EQ(chunk, "late");
  receiver.join();
}

}  // namespace
}  // namespace marl::testing
