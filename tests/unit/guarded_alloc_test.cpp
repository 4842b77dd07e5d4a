#include "base/guarded_alloc.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "screen/display.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

// Every leak check in the suite trusts these counters.
TEST(GuardedAlloc, CountersCopiesAndZeros) {
  TestTerminal tt;
  Terminal& t = tt.t();
  const AllocState before = t.alloc;
  void* empty = GuardedAlloc(t, 0, "test");
  auto* zeros = static_cast<char*>(GuardedCalloc(t, 3, 5, "test"));
  EXPECT_EQ(std::string(zeros, 15), std::string(15, '\0'));
  EXPECT_EQ(t.alloc.allocations - before.allocations, 2);
  EXPECT_EQ(t.alloc.bytes_in_use - before.bytes_in_use, 15);
  // A copy count larger than either block is cut, not trusted.
  std::memcpy(zeros, "abcd", 4);
  char* grown = static_cast<char*>(GuardedRealloc(t, zeros, 1000, 20, "test"));
  char* shrunk = static_cast<char*>(GuardedRealloc(t, grown, 1000, 2, "test"));
  EXPECT_EQ(std::string(shrunk, 2), "ab");
  GuardedFree(t, shrunk, "test");
  GuardedFree(t, empty, "test");
  GuardedFree(t, nullptr, "test");
  EXPECT_EQ(t.alloc.releases - before.releases, 4);
  EXPECT_EQ(t.alloc.bytes_in_use, before.bytes_in_use);
}

// Cancel leaves a damaged block allocated; mend it and give it back so the
// test process stays clean.
void Mend(Terminal& t, unsigned char* block, int32_t n, int at, char byte) {
  block[at] = byte;
  t.alloc.releases--;
  t.alloc.bytes_in_use += n;
  GuardedFree(t, block, "test");
}

TEST(GuardedAlloc, OverRunShowsBoxAndCancelKeepsRunning) {
  TestTerminal tt;
  Terminal& t = tt.t();
  tt.platform().set_message_box_answer(MessageBoxAnswer::kCancel);
  auto* block = static_cast<unsigned char*>(GuardedAlloc(t, 10, "test"));
  block[10] = 'X';
  SetCursor(t, 5, 5);
  const auto here = CallSite::current();
  GuardedFree(t, block, "forms", here);
  char address[32];
  std::snprintf(address, sizeof address, "%p", static_cast<void*>(block - 8));
  EXPECT_EQ(tt.Events(), std::vector<std::string>{"msgbox \"Memory Error!\" \"Buffer over run " +
                                                  std::string(address) + ",\\n detected at\\n " +
                                                  std::to_string(here.line()) +
                                                  " \\nin forms\\n\" "
                                                  "okcancel cancel"});
  EXPECT_FALSE(tt.platform().quit_requested());
  EXPECT_EQ(t.screen.draw.row + t.screen.draw.column, 0);  // the cursor went home for the box
  Mend(t, block, 10, 10, 'H');
}

TEST(GuardedAlloc, UnderRunAnsweredOkEndsTheProgram) {
  TestTerminal tt;
  Terminal& t = tt.t();
  auto* block = static_cast<unsigned char*>(GuardedAlloc(t, 4, "keys"));
  block[-1] = 0;
  const uint_least32_t line = __LINE__ + 1;
  GuardedFree(t, block, "keys");
  auto events = tt.Events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_NE(events[0].find("\"Buffer under run\\n "), std::string::npos);
  EXPECT_NE(
      events[0].find(",\\n detected at\\n " + std::to_string(line) + " in keys\\n\" okcancel ok"),
      std::string::npos);
  EXPECT_EQ(events[1], "quit");
  Mend(t, block, 4, -1, 'P');
}

}  // namespace
}  // namespace marl::testing
