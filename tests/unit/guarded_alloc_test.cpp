#include "alloc/guarded_alloc.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "terminal_fixture.h"

namespace marl::testing {
namespace {

TEST(GuardedAlloc, BlockLayoutAndCounters) {
  TestTerminal tt;
  Terminal& t = tt.t();
  const AllocState before = t.alloc;

  auto* empty = static_cast<unsigned char*>(GuardedAlloc(t, 0, __LINE__, "test"));
  ASSERT_NE(empty, nullptr);
  // The back guard follows the header directly.
  EXPECT_EQ(std::memcmp(empty - 4, "HEAP", 4), 0);
  EXPECT_EQ(std::memcmp(empty, "HEAP", 4), 0);

  auto* zeros = static_cast<unsigned char*>(GuardedCalloc(t, 3, 5, __LINE__, "test"));
  ASSERT_NE(zeros, nullptr);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(zeros[i], 0) << i;
  EXPECT_EQ(zeros[-8], 15);  // the caller's size, little-endian

  EXPECT_EQ(t.alloc.allocations, before.allocations + 2);
  EXPECT_EQ(t.alloc.bytes_in_use, before.bytes_in_use + 15);
  const int32_t peak = t.alloc.peak;
  GuardedFree(t, zeros, __LINE__, "test");
  GuardedFree(t, empty, __LINE__, "test");
  EXPECT_EQ(t.alloc.releases, before.releases + 2);
  EXPECT_EQ(t.alloc.bytes_in_use, before.bytes_in_use);
  EXPECT_EQ(t.alloc.peak, peak);  // releases never lower it
  GuardedFree(t, nullptr, __LINE__, "test");
  EXPECT_EQ(t.alloc.releases, before.releases + 2);
}

TEST(GuardedAlloc, PeakRisesOnlyPastItself) {
  TestTerminal tt;
  Terminal& t = tt.t();
  const int32_t base = t.alloc.bytes_in_use;
  const int32_t peak0 = t.alloc.peak;
  void* a = GuardedAlloc(t, uint32_t(peak0 - base + 100), __LINE__, "test");
  EXPECT_EQ(t.alloc.peak, peak0 + 100);
  GuardedFree(t, a, __LINE__, "test");
  void* b = GuardedAlloc(t, 50, __LINE__, "test");
  EXPECT_EQ(t.alloc.peak, peak0 + 100);
  GuardedFree(t, b, __LINE__, "test");
}

TEST(GuardedAlloc, ReallocMovesAndCopies) {
  TestTerminal tt;
  Terminal& t = tt.t();
  char* fresh = static_cast<char*>(GuardedRealloc(t, nullptr, 0, 4, __LINE__, "test"));
  ASSERT_NE(fresh, nullptr);
  std::memcpy(fresh, "abcd", 4);
  char* grown = static_cast<char*>(GuardedRealloc(t, fresh, 4, 10, __LINE__, "test"));
  ASSERT_NE(grown, nullptr);
  EXPECT_NE(grown, fresh);
  EXPECT_EQ(std::string(grown, 4), "abcd");
  // A copy count larger than either block is cut, not trusted.
  char* shrunk = static_cast<char*>(GuardedRealloc(t, grown, 1000, 2, __LINE__, "test"));
  EXPECT_EQ(std::string(shrunk, 2), "ab");
  GuardedFree(t, shrunk, __LINE__, "test");
}

// Cancel leaves a damaged block allocated; mend it and give it back so the
// test process stays clean.
void Mend(Terminal& t, unsigned char* block, int32_t n, int at, char byte) {
  block[at] = byte;
  t.alloc.releases--;
  t.alloc.bytes_in_use += n;
  GuardedFree(t, block, __LINE__, "test");
}

TEST(GuardedAlloc, OverRunShowsBoxAndCancelKeepsRunning) {
  TestTerminal tt;
  Terminal& t = tt.t();
  tt.platform().set_message_box_answer(MessageBoxAnswer::kCancel);
  auto* block = static_cast<unsigned char*>(GuardedAlloc(t, 10, __LINE__, "test"));
  block[10] = 'X';
  SetCursor(t, 5, 5);
  GuardedFree(t, block, 321, "forms");
  auto events = tt.Events();
  ASSERT_EQ(events.size(), 1u);
  char header[32];
  std::snprintf(header, sizeof header, "%p", static_cast<void*>(block - 8));
  EXPECT_EQ(events[0], std::string("msgbox \"Memory Error!\" \"Buffer over run ") + header +
                           ",\\n detected at\\n 321 \\nin forms\\n\" okcancel cancel");
  EXPECT_FALSE(tt.platform().quit_requested());
  EXPECT_EQ(t.screen.draw.row, 0);  // the cursor went home for the box
  EXPECT_EQ(t.screen.draw.column, 0);
  Mend(t, block, 10, 10, 'H');
}

TEST(GuardedAlloc, UnderRunAnsweredOkEndsTheProgram) {
  TestTerminal tt;
  Terminal& t = tt.t();
  auto* block = static_cast<unsigned char*>(GuardedAlloc(t, 4, __LINE__, "test"));
  block[-1] = 0;
  GuardedFree(t, block, 77, "keys");
  auto events = tt.Events();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_NE(events[0].find("\"Buffer under run\\n "), std::string::npos);
  EXPECT_NE(events[0].find(",\\n detected at\\n 77 in keys\\n\" okcancel ok"), std::string::npos);
  EXPECT_EQ(events[1], "quit");
  EXPECT_TRUE(tt.platform().quit_requested());
  EXPECT_EQ(tt.platform().exit_code(), 0);
  Mend(t, block, 4, -1, 'P');
}

TEST(GuardedAlloc, StatisticsOnDebugLinesDoNotRecurse) {
  TestTerminal tt(16, 20);
  Terminal& t = tt.t();
  t.screen.debugging = 1;
  void* big = GuardedAlloc(t, uint32_t(t.alloc.peak + 1000), __LINE__, "test");
  // Debug line 0 is the last row but one; line 1 the row above it.
  EXPECT_EQ(tt.Row(14).substr(0, 3), "Al ");
  EXPECT_NE(tt.Row(14).find("Fr"), std::string::npos);
  EXPECT_NE(tt.Row(13).find("Use"), std::string::npos);
  EXPECT_NE(tt.Row(13).find("Max"), std::string::npos);
  GuardedFree(t, big, __LINE__, "test");
}

}  // namespace
}  // namespace marl::testing
