#include "app/startup.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/instance_guard.h"
#include "temp_dir.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

// A loopback port that nothing listens on.
int UnusedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

TEST(InstanceGuard, OnlyOneCopyHoldsIt) {
  TempDir dir;
  const char* saved = std::getenv("XDG_RUNTIME_DIR");
  const std::string old = saved != nullptr ? saved : "";
  setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
  EXPECT_EQ(InstanceLockPath().rfind(dir.path(), 0), 0u);
  {
    TestTerminal first;
    TestTerminal second;
    EXPECT_TRUE(AcquireInstanceGuard(first.t()));
    EXPECT_FALSE(AcquireInstanceGuard(second.t()));
    ReleaseInstanceGuard(first.t());
    EXPECT_TRUE(AcquireInstanceGuard(second.t()));
    ReleaseInstanceGuard(second.t());
  }
  if (saved != nullptr) {
    setenv("XDG_RUNTIME_DIR", old.c_str(), 1);
  } else {
    unsetenv("XDG_RUNTIME_DIR");
  }
}

class StartUp : public ::testing::Test {
 protected:
  StartUp() : tt_(0, 0) {
    tt_.t().link.capture_sends = false;
    std::snprintf(tt_.t().app.settings_path, kSettingsPathSize, "%s",
                  dir_.File("vozido.ini").c_str());
  }
  StartResult Start(std::string command_line, int32_t columns, int32_t rows) {
    StartOptions options;
    options.columns = columns;
    options.rows = rows;
    return StartProgram(tt_.t(), command_line.data(), options);
  }
  TempDir dir_;
  TestTerminal tt_;
};

TEST_F(StartUp, NoListenerMeansFailedToConnectInTheMiddle) {
  dir_.Write("vozido.ini", "ROWS=16\nCOLS=20\n");
  const std::string line = "-P" + std::to_string(UnusedPort());
  EXPECT_EQ(Start(line, 0, 0), StartResult::kFailed);
  EXPECT_EQ(tt_.Row(8), " Failed to Connect! ");
  EXPECT_EQ(tt_.platform().cell(8, 1).attribute, 0x08);
  EXPECT_EQ(tt_.Events(), std::vector<std::string>{"sleep 1500"});
  EXPECT_EQ(tt_.t().link.socket, -1);
}

TEST_F(StartUp, ANarrowScreenShowsTheMessageFromItsStart) {
  const std::string line = "-P" + std::to_string(UnusedPort());
  EXPECT_EQ(Start(line, 10, 3), StartResult::kFailed);
  EXPECT_EQ(tt_.Row(1), "Failed to ");
}

TEST_F(StartUp, TheSizeOptionComesAfterTheSettingsFile) {
  dir_.Write("vozido.ini", "ROWS=16\nCOLS=20\n");
  const std::string line = "-P" + std::to_string(UnusedPort());
  Start(line, 32, 1);  // one row is no size, as in the file
  EXPECT_EQ(tt_.t().screen.columns, 32);
  EXPECT_EQ(tt_.t().screen.rows, 16);
}

TEST_F(StartUp, ClosingTheSetupWindowsProgramEndsTheStartUp) {
  tt_.platform().set_nested_loop([&](const std::function<bool()>&) {
    tt_.platform().SendMessage(2 /* destruction */, 0, 0);
    return false;
  });
  EXPECT_EQ(Start("-P1", 0, 0), StartResult::kEnded);
  EXPECT_EQ(dir_.Read("vozido.ini"), "<missing>");
  tt_.platform().set_nested_loop(nullptr);
}

}  // namespace
}  // namespace marl::testing
