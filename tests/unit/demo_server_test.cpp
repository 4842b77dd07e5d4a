// The demo host over real loopback sockets: many terminals at once, and
// terminals that misbehave.
#include "demo/demo_server.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "demo/demo_session.h"
#include "host/host_records.h"

namespace marl::demo {
namespace {

using namespace std::string_literals;

const std::string kPowerUp = "P,Rows=16,Cols=20\0IP=127.0.0.1"s;

// Whether `text` comes on `fd`; a busy machine gets half a minute.
bool Sees(int fd, const std::string& text) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  std::string seen;
  char buffer[8192];
  for (pollfd p{fd, POLLIN, 0}; seen.find(text) == std::string::npos;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || poll(&p, 1, int(left.count())) <= 0) return false;
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    seen.append(buffer, size_t(n));
  }
  return true;
}

class Served : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(server_.Listen("127.0.0.1", 0, &error)) << error;
    thread_ = std::thread([this] { server_.Run(); });
  }
  void TearDown() override {
    server_.Stop();
    thread_.join();
  }
  int Connect() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(uint16_t(server_.port()));
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&where), sizeof where), 0);
    return fd;
  }
  static void Send(int fd, const std::string& bytes) {
    ASSERT_EQ(send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size()));
  }
  bool WaitForConnections(size_t n) {
    for (int i = 0; i < 3000 && server_.connections() != n; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return server_.connections() == n;
  }

  DemoServer server_;
  std::thread thread_;
};

TEST_F(Served, ManyTerminalsAtOnceEachGetTheirLoginScreen) {
  std::vector<int> terminals;
  for (int i = 0; i < 200; ++i) terminals.push_back(Connect());
  for (const int fd : terminals) Send(fd, kPowerUp);
  for (const int fd : terminals) {
    EXPECT_TRUE(Sees(fd, "MARL WAREHOUSE"));
  }
  EXPECT_TRUE(WaitForConnections(200));
  for (const int fd : terminals) close(fd);
  EXPECT_TRUE(WaitForConnections(0));
}

TEST_F(Served, BadBytesOldRepliesAndTerminalsThatLeaveMidForm) {
  // Bytes no terminal sends are dropped; the connection lives on.
  const int a = Connect();
  Send(a, "\xff\xfe garbage"s);
  Send(a, kPowerUp);
  EXPECT_TRUE(Sees(a, "MARL WAREHOUSE"));
  // A reply to a screen never shown, before signing in: the login again.
  Send(a, "K\\3\\\\z\0F=00\0"s + "SB\\\\w\0F=00\0"s);
  EXPECT_TRUE(Sees(a, "Sign in"));
  // Signed in, a reply to the login form that is no longer shown: the menu.
  Send(a, "K\\1\\0\\Kal\\1\\Kdemo\\\\w\0F=01\0"s);
  EXPECT_TRUE(Sees(a, "1 Receive goods"));
  Send(a, "K\\1\\0\\Kal\\\\w\0F=00\0"s);
  EXPECT_TRUE(Sees(a, "1 Receive goods"));

  // Half a reply, then gone; and a reply cut off by an abortive close.
  const int b = Connect();
  Send(b, kPowerUp);
  Sees(b, "Pass:");
  Send(b, "K\\1\\0\\Kbo"s);
  close(b);
  const int c = Connect();
  linger abort{1, 0};
  setsockopt(c, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  Send(c, kPowerUp + "K\\1"s);
  close(c);
  EXPECT_TRUE(WaitForConnections(1));
  // The first terminal is still served.
  Send(a, "S1\\\\w\0F=00\0"s);
  EXPECT_TRUE(Sees(a, "\\3"));
  close(a);
  EXPECT_TRUE(WaitForConnections(0));
}

// A terminal that announces a screen no terminal has, or sends items and
// tallies past what the screens hold, is refused with a message; the
// terminals beside it are served as before.
TEST_F(Served, SizesTalliesAndItemsPastTheBoundsAreRefusedAndOthersStillServed) {
  const struct {
    std::string power_up;
    const char* sees;
  } cases[] = {
      {"P,Rows=16,Cols=999999999\0IP=127.0.0.1"s, "Size refused"},
      {"P,Rows=999999999,Cols=20\0IP=127.0.0.1"s, "Size refused"},
      {"P,Rows=16,Cols=2049\0IP=127.0.0.1"s, "Size refused"},
      {"P,Rows=2048,Cols=2048\0IP=127.0.0.1"s, "Sign in, any name"},
  };
  std::vector<int> open;
  for (const auto& c : cases) {
    const int bad = Connect();
    Send(bad, c.power_up);
    EXPECT_TRUE(Sees(bad, c.sees)) << c.power_up;
    const int good = Connect();
    Send(good, kPowerUp);
    EXPECT_TRUE(Sees(good, "MARL WAREHOUSE")) << c.power_up;
    open.insert(open.end(), {bad, good});
  }
  // Refused, yet still served at the host's own width.
  Send(open[0], "K\\1\\0\\Kal\\1\\Kdemo\\\\w\0F=01\0"s);
  EXPECT_TRUE(Sees(open[0], "1 Receive goods"));
  Send(open[0], "S0\\\\w\0F=00\0"s);
  EXPECT_TRUE(Sees(open[0], "RECEIVE GOODS"));
  Send(open[0], "K\\2\\0\\K"s + std::string(9000, 'A') + "\\1\\K5\\\\w\0F=01\0"s);
  EXPECT_TRUE(Sees(open[0], "Item too long"));
  for (const int fd : open) close(fd);
  EXPECT_TRUE(WaitForConnections(0));
}

// The session's answer to a terminal's message, as the server parses it.
Answer Reply(DemoSession& s, const std::string& bytes) {
  host::TerminalMessage m;
  EXPECT_EQ(host::ParseTerminalMessage(bytes, &m).status, host::ParseStatus::kOk) << bytes;
  return s.OnMessage(m);
}

TEST(DemoSession, ReceivingCountsOnlyKnownItemsAndSensibleQuantities) {
  DemoSession s;
  Reply(s, kPowerUp);
  auto reply = [&s](const std::string& bytes) { return Reply(s, bytes); };
  reply("K\\1\\0\\Kal\\1\\Kdemo\\\\w\0F=01\0"s);
  reply("S0\\\\w\0F=00\0"s);
  ASSERT_EQ(s.screen(), Screen::kReceive);
  EXPECT_EQ(reply("K\\2\\0\\KZ999\\1\\K5\\\\w\0F=01\0"s).note, "receive: unknown item Z999");
  EXPECT_EQ(reply("K\\2\\0\\KB200\\1\\K0\\\\w\0F=01\0"s).note, "receive: bad quantity");
  // The item stays from the reply before; only the quantity is new.
  EXPECT_EQ(reply("K\\2\\0\\KB200\\\\w\0F=00\0"s).note, "receive: bad quantity");
  const Answer done = reply("K\\2\\0\\KB200\\1\\K9999\\\\w\0F=01\0"s);
  EXPECT_EQ(done.note, "receive: +9999 B200");
  const std::string update =
      "\x82\x80\x80\x80\x80\x80"
      "000\\3U\\1ID 9999\n"s;
  EXPECT_EQ(done.now.substr(0, update.size()), update);
  EXPECT_EQ(s.received(1), 9999);
  // The tally stops where its five cells end, long before an int would.
  for (int i = 2; i <= 10; ++i) reply("K\\2\\0\\KB200\\1\\K9999\\\\w\0F=01\0"s);
  EXPECT_EQ(s.received(1), 99990);
  EXPECT_EQ(reply("K\\2\\0\\KB200\\1\\K9999\\\\w\0F=01\0"s).note,
            "receive: tally of B200 full at 99990");
  EXPECT_EQ(reply("K\\2\\0\\KB200\\1\\K9\\\\w\0F=01\0"s).note, "receive: +9 B200");
  EXPECT_EQ(reply("K\\2\\0\\KB200\\1\\K99999999999999999999\\\\w\0F=01\0"s).note,
            "receive: bad quantity");
  EXPECT_EQ(s.received(1), 99999);
}

// Sign-in replies as the terminal sends them, one session each: what the
// host makes of them, and where the login form puts the cursor next.
TEST(DemoSession, SignInTakesTheNameThenThePassword) {
  struct Case {
    std::vector<std::string> replies;
    std::string note;  // of the last reply
    Screen screen;
    std::string start_field;  // the login form's header byte 5, when shown
    bool tone;
  };
  const Screen login = Screen::kLogin;
  const std::string ann = "K\\1\\0\\KAnn\\\\w\0F=00\0"s;  // Enter on User
  const std::vector<Case> cases = {
      {{ann}, "login: Ann, on to the password", login, "\x81", false},
      {{ann, "K\\1\\1\\Kdemo\\\\w\0F=01\0"s}, "login: Ann signed in", Screen::kMenu, "", false},
      // Blanks typed into Pass are no password yet.
      {{"K\\1\\0\\KAnn\\1\\K   \\\\w\0F=01\0"s},
       "login: Ann, on to the password",
       login,
       "\x81",
       false},
      {{"K\\1\\0\\KAnn\\1\\Kx\\\\w\0F=01\0"s}, "login: wrong password", login, "\x81", true},
      {{"K\\1\\1\\Kdemo\\\\w\0F=01\0"s}, "login: no name", login, "\x80", true},
  };
  for (const Case& c : cases) {
    DemoSession s;
    Reply(s, kPowerUp);
    Answer last;
    for (const std::string& bytes : c.replies) last = Reply(s, bytes);
    SCOPED_TRACE(c.replies.back());
    EXPECT_EQ(last.note, c.note);
    EXPECT_EQ(s.screen(), c.screen);
    // The tone is a \T command record of its own before the form.
    EXPECT_EQ(last.now.find("\\T") != std::string::npos, c.tone) << Printable(last.now);
    if (!c.start_field.empty()) {
      const size_t form = last.now.find("\\1T");
      ASSERT_NE(form, std::string::npos);
      EXPECT_EQ(last.now.substr(form - 4, 1), c.start_field) << Printable(last.now);
    }
  }
}

}  // namespace
}  // namespace marl::demo
