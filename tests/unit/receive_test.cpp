#include "link/receive.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "link/connection.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

// Keeps every chunk handed over instead of waiting for a main thread.
class RecordingPlatform : public HeadlessPlatform {
 public:
  void HandOverHostData(const char* bytes, int32_t length) override {
    chunks.emplace_back(bytes, size_t(length));
  }
  std::vector<std::string> chunks;
};

struct SocketPair {
  SocketPair() { socketpair(AF_UNIX, SOCK_STREAM, 0, fds); }
  ~SocketPair() {
    for (int fd : fds) {
      if (fd >= 0) close(fd);
    }
  }
  int fds[2] = {-1, -1};
};

TEST(ReceivePrefix, OnlyAnUpperCaseDAtTheStartGetsTheWPrefix) {
  char buffer[kReceiveBufferSize];
  std::string received(kReceiveSize, 'x');
  received[0] = 'D';
  received.copy(buffer + 1, received.size());
  int32_t length = 0;
  const char* chunk = PrefixChunk(buffer, kReceiveSize, &length);
  ASSERT_EQ(length, kReceiveSize + 1);
  EXPECT_EQ(std::string(chunk, 2), "WD");
  EXPECT_EQ(chunk[kReceiveSize], 'x');

  buffer[1] = 'd';
  chunk = PrefixChunk(buffer, kReceiveSize, &length);
  EXPECT_EQ(length, kReceiveSize);
  EXPECT_EQ(chunk, buffer + 1);

  // A 'D' further in gets nothing.
  buffer[1] = 'x';
  buffer[2] = 'D';
  PrefixChunk(buffer, 2, &length);
  EXPECT_EQ(length, 2);
}

TEST(ReceiveStep, ReadsAtMost4000BytesAndHandsThemOver) {
  RecordingPlatform platform;
  Terminal t(&platform);
  SocketPair pair;
  std::string sent(4500, 'y');
  sent[0] = 'D';
  ASSERT_EQ(write(pair.fds[1], sent.data(), sent.size()), ssize_t(sent.size()));
  char buffer[kReceiveBufferSize];
  EXPECT_EQ(ReceiveStep(t, pair.fds[0], buffer), kReceiveSize);
  EXPECT_EQ(ReceiveStep(t, pair.fds[0], buffer), 500);
  ASSERT_EQ(platform.chunks.size(), 2u);
  EXPECT_EQ(platform.chunks[0], "W" + sent.substr(0, 4000));
  EXPECT_EQ(platform.chunks[1], sent.substr(4000));

  close(pair.fds[1]);
  pair.fds[1] = -1;
  EXPECT_EQ(ReceiveStep(t, pair.fds[0], buffer), 0);
  EXPECT_EQ(ReceiveStep(t, -1, buffer), -1);
  EXPECT_EQ(platform.chunks.size(), 2u);
}

// The receive thread hands each chunk to the main thread, which handles it
// as the window would; a reply goes back over the same socket.
TEST(ReceiveLoop, ChunksReachTheMainThreadAndTheEndIsNoticed) {
  TestTerminal tt;
  SocketPair pair;
  tt.t().link.socket = pair.fds[0];
  pair.fds[0] = -1;  // the terminal closes it
  StartReceiveThread(tt.t());

  const std::string bad("\x90\x31\x32\x33\n", 5);
  ASSERT_EQ(write(pair.fds[1], bad.data(), bad.size()), 5);
  int handled = 0;
  for (int i = 0; i < 100 && handled == 0; ++i) handled = tt.platform().PumpHostData(100);
  ASSERT_EQ(handled, 1);
  char reply[8] = {};
  ASSERT_EQ(read(pair.fds[1], reply, sizeof reply), 4);
  EXPECT_EQ(std::string(reply, 4), "K\\\\1");

  shutdown(pair.fds[1], SHUT_RDWR);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!tt.platform().host_closed() && std::chrono::steady_clock::now() < deadline) {
    tt.platform().PumpHostData(50);
  }
  EXPECT_TRUE(tt.platform().host_closed());
  FinishReceiveThread(tt.t());
  EXPECT_EQ(tt.t().link.socket, -1);
}

TEST(ReceiveLoop, DisconnectEndsAThreadBlockedOnASilentHost) {
  TestTerminal tt;
  SocketPair pair;
  tt.t().link.socket = pair.fds[0];
  pair.fds[0] = -1;
  StartReceiveThread(tt.t());
  Disconnect(tt.t());
  FinishReceiveThread(tt.t());
  EXPECT_TRUE(tt.platform().host_closed());
  EXPECT_EQ(tt.t().link.socket, -1);
}

}  // namespace
}  // namespace marl::testing
