#include "app/startup.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/app_state.h"
#include "loopback.h"
#include "temp_dir.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

// A start-up against a loopback port that is bound but not listening, so
// the connection is refused.
class StartUp : public ::testing::Test {
 protected:
  StartUp() {
    tt_.t().link.capture_sends = false;
    std::snprintf(App(tt_.t()).settings_path, kSettingsPathSize, "%s",
                  dir_.File("vozido.ini").c_str());
    port_ = BindAnyPort(refusing_);
  }
  ~StartUp() override { close(refusing_); }
  StartResult Start(int32_t columns, int32_t rows) {
    std::string command_line = "-P" + std::to_string(port_);
    return StartProgram(tt_.t(), command_line.data(), StartOptions{rows, columns});
  }

  TempDir dir_;
  TestTerminal tt_{0, 0};
  int refusing_ = socket(AF_INET, SOCK_STREAM, 0);
  int port_ = 0;
};

TEST_F(StartUp, NoListenerMeansFailedToConnectInTheMiddle) {
  dir_.Write("vozido.ini", "ROWS=16\nCOLS=20\n");
  EXPECT_EQ(Start(0, 0), StartResult::kFailed);
  EXPECT_EQ(tt_.Row(8), " Failed to Connect! ");
  EXPECT_EQ(tt_.platform().cell(8, 1).attribute, 0x08);
  EXPECT_EQ(tt_.Events(), std::vector<std::string>{"sleep 1500"});
  EXPECT_EQ(tt_.t().link.socket, -1);
}

TEST_F(StartUp, ANarrowScreenShowsTheMessageFromItsStart) {
  EXPECT_EQ(Start(10, 3), StartResult::kFailed);
  EXPECT_EQ(tt_.Row(1), "Failed to ");
}

TEST_F(StartUp, TheSizeOptionComesAfterTheSettingsFile) {
  dir_.Write("vozido.ini", "ROWS=16\nCOLS=20\n");
  Start(32, 1);  // one row is no size, as in the file
  EXPECT_EQ(tt_.t().screen.columns, 32);
  EXPECT_EQ(tt_.t().screen.rows, 16);
}

TEST_F(StartUp, ClosingTheSetupWindowsProgramEndsTheStartUp) {
  tt_.platform().set_nested_loop([&](const std::function<bool()>&) {
    tt_.platform().SendMessage(2 /* destruction */, 0, 0);
    return false;
  });
  EXPECT_EQ(Start(0, 0), StartResult::kEnded);
  EXPECT_EQ(dir_.Read("vozido.ini"), "<missing>");
  tt_.platform().set_nested_loop(nullptr);
}

}  // namespace
}  // namespace marl::testing
