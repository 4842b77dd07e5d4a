#include "link/receive.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "link/connection.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

TEST(ReceivePrefix, OnlyAnUpperCaseDAtTheStartGetsTheWPrefix) {
  char buffer[kReceiveBufferSize];
  std::string received(kReceiveSize, 'x');
  received[0] = 'D';
  received.copy(buffer + 1, received.size());
  int32_t length = 0;
  const char* chunk = PrefixChunk(buffer, kReceiveSize, &length);
  ASSERT_EQ(length, kReceiveSize + 1);
  EXPECT_EQ(std::string(chunk, size_t(length)), "W" + received);

  buffer[1] = 'd';
  EXPECT_EQ(PrefixChunk(buffer, kReceiveSize, &length), buffer + 1);
  EXPECT_EQ(length, kReceiveSize);
  buffer[1] = 'x';
  buffer[2] = 'D';  // further in
  PrefixChunk(buffer, 2, &length);
  EXPECT_EQ(length, 2);
}

// Keeps every chunk handed over instead of waiting for a main thread.
class RecordingPlatform : public CorePlatform {
 public:
  void HandOverHostData(const char* bytes, int32_t length) override {
    chunks.emplace_back(bytes, size_t(length));
  }
  std::vector<std::string> chunks;
};

TEST(ReceiveStep, ReadsAtMost4000BytesAndHandsThemOver) {
  RecordingPlatform platform;
  Terminal t(&platform);
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  std::string sent(4500, 'y');
  sent[0] = 'D';
  ASSERT_EQ(write(fds[1], sent.data(), sent.size()), ssize_t(sent.size()));
  char buffer[kReceiveBufferSize];
  EXPECT_EQ(ReceiveStep(t, fds[0], buffer), kReceiveSize);
  EXPECT_EQ(ReceiveStep(t, fds[0], buffer), 500);
  close(fds[1]);
  EXPECT_EQ(ReceiveStep(t, fds[0], buffer), 0);
  EXPECT_EQ(ReceiveStep(t, -1, buffer), -1);
  EXPECT_EQ(platform.chunks,
            (std::vector<std::string>{"W" + sent.substr(0, 4000), sent.substr(4000)}));
  close(fds[0]);
}

// The receive thread itself, with the program's real host, is exercised by
// the integration tests; here a host that never speaks.
TEST(ReceiveLoop, DisconnectEndsAThreadBlockedOnASilentHost) {
  TestTerminal tt;
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  tt.t().link.socket = fds[0];  // the terminal closes it
  StartReceiveThread(tt.t());
  Disconnect(tt.t());
  FinishReceiveThread(tt.t());
  EXPECT_TRUE(tt.platform().host_closed());
  EXPECT_EQ(tt.t().link.socket, -1);
  close(fds[1]);
}

}  // namespace
}  // namespace marl::testing
