#include <gtest/gtest.h>

#include "terminal_fixture.h"

namespace marl::testing {
namespace {

TEST(Smoke, BadCommandReportsAndReplies) {
  TestTerminal tt;
  tt.Host(std::string("\x90\x31\x32\x33\n", 5));
  EXPECT_EQ(tt.Sent(), "K\\\\1");
}

}  // namespace
}  // namespace marl::testing
