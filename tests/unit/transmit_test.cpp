#include "link/transmit.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "link/connection.h"
#include "scenario.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

TEST(Transmit, MessagesGoOutAsTheyAreInChunksOf1024) {
  TestTerminal tt;
  Transmit(tt.t(), -1, "NG,0", "Ping");
  EXPECT_EQ(tt.Sent(), "NG,0");

  // A host end that keeps the boundaries of every send.
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds), 0);
  tt.t().link.socket = fds[0];
  const std::string message(1028, 'm');
  Transmit(tt.t(), int32_t(message.size()), message.data(), "Waiting");
  char buffer[2048];
  EXPECT_EQ(recv(fds[1], buffer, sizeof buffer, MSG_DONTWAIT), 1024);
  EXPECT_EQ(recv(fds[1], buffer, sizeof buffer, MSG_DONTWAIT), 4);
  EXPECT_EQ(recv(fds[1], buffer, sizeof buffer, MSG_DONTWAIT), -1);
  EXPECT_EQ(tt.Sent(), message);
  tt.t().link.socket = -1;
  close(fds[0]);
  close(fds[1]);

  // Callers keep within 1028 bytes; more is cut there.
  const std::string longer(1500, 'z');
  Transmit(tt.t(), int32_t(longer.size()), longer.data(), "Waiting");
  EXPECT_EQ(tt.Sent(), longer.substr(0, 1028));
  for (const std::string& event : tt.Events()) EXPECT_EQ(event.rfind("send \"", 0), 0u) << event;
}

TEST(Transmit, TextDialectGatesPowerUpAndTheStatusLine) {
  TestTerminal tt;
  Transmit(tt.t(), 0, "", "Ping");
  EXPECT_EQ(tt.Sent(), "");
  EXPECT_EQ(tt.Row(0), "Ping, 0% Batt       ");
  EXPECT_NE(tt.t().link.transmit_start, 0u);

  RunScenario(tt, "binary");
  SendPowerUp(tt.t(), 16, 20);
  EXPECT_EQ(tt.Sent(), "");
  Transmit(tt.t(), -1, "abc", "Later");
  EXPECT_EQ(tt.Sent(), "abc");
  EXPECT_EQ(tt.Row(0), "Ping, 0% Batt       ");
}

TEST(Transmit, TheStatusLineShowsForThreeTransmissionsOnly) {
  TestTerminal tt;
  for (const char* tag : {"One", "Two", "Three", "Four"}) Transmit(tt.t(), -1, "x", tag);
  EXPECT_EQ(tt.Row(0), "Three, 0% Batt      ");
}

TEST(SendWithTimeout, AfterTheTimeoutTheSendWaitsUntilTheHostReads) {
  TestTerminal tt;
  tt.t().link.capture_sends = false;
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  const char block[4096] = {};
  size_t filled = 0;
  for (ssize_t n; (n = send(fds[0], block, sizeof block, MSG_DONTWAIT)) > 0;) filled += size_t(n);
  tt.t().link.socket = fds[0];
  // The host reads again only well after the box: nothing is lost.
  std::string received;
  std::thread host([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    char buffer[8192];
    pollfd p{fds[1], POLLIN, 0};
    while (received.size() < filled + 5 && poll(&p, 1, 30000) > 0) {
      const ssize_t n = read(fds[1], buffer, sizeof buffer);
      if (n <= 0) break;
      received.append(buffer, size_t(n));
    }
  });
  // A time-out under a second waits no whole second at all.
  SendWithTimeout(tt.t(), 5, "hello", 0);
  host.join();
  EXPECT_EQ(tt.Events(), (std::vector<std::string>{"send \"hello\"",
                                                   "msgbox \"Warning\" \"Send timeout\" ok ok"}));
  ASSERT_EQ(received.size(), filled + 5);
  EXPECT_EQ(received.substr(filled), "hello");
  EXPECT_EQ(tt.t().link.send_length, 5);
  EXPECT_STREQ(tt.t().link.send_buffer, "hello");

  // A closed host, or no socket at all, makes each send fail.
  close(fds[1]);
  SendWithTimeout(tt.t(), 3, "abc", 15000);
  SendWithTimeout(tt.t(), 3, "def", 15000);
  EXPECT_EQ(tt.Events().size(), 4u);  // each a send and its failure
  tt.t().link.socket = -1;
  close(fds[0]);
  SendWithTimeout(tt.t(), 3, "abc", 15000);
  EXPECT_EQ(tt.Events(),
            (std::vector<std::string>{"send \"abc\"", "msgbox \"Error\" \"Send Error!\" ok ok"}));
}

}  // namespace
}  // namespace marl::testing
