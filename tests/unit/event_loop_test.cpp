// The front ends' event loop: descriptors, timers and hooks, a turn inside
// a turn, and sources that come and go while the loop runs them.
#include "ui/core/event_loop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace marl {
namespace {

using Clock = EventLoop::Clock;

struct Pipe {
  int fds[2] = {-1, -1};
  Pipe() { EXPECT_EQ(pipe(fds), 0); }
  ~Pipe() {
    close(fds[0]);
    close(fds[1]);
  }
  void Put(char c) { EXPECT_EQ(write(fds[1], &c, 1), 1); }
  char Get() {
    char c = 0;
    EXPECT_EQ(read(fds[0], &c, 1), 1);
    return c;
  }
};

TEST(EventLoop, TimersRunOnceInTheirOrderAndMayBeTakenBack) {
  EventLoop loop;
  std::string ran;
  const Clock::time_point now = Clock::now();
  loop.AddTimer(now - std::chrono::milliseconds(1), [&] { ran += "a"; });
  const int64_t gone = loop.AddTimer(now, [&] { ran += "x"; });
  loop.AddTimer(now, [&] {
    ran += "b";
    // A timer added by a timer runs on the next turn, not in this one.
    loop.AddTimer(Clock::now(), [&] { ran += "c"; });
  });
  // Far off: the turn must not wait for it while others are due.
  loop.AddTimer(now + std::chrono::hours(1), [&] { ran += "late"; });
  loop.RemoveTimer(gone);
  loop.ProcessEvents(-1);
  EXPECT_EQ(ran, "ab");
  loop.ProcessEvents(-1);
  EXPECT_EQ(ran, "abc");
}

TEST(EventLoop, ADescriptorIsHeardWhileWatchedAndNotWhilePaused) {
  EventLoop loop;
  Pipe p;
  std::string heard;
  loop.AddFile(p.fds[0], [&](short events) {
    if (events & POLLIN) heard.push_back(p.Get());
  });
  p.Put('1');
  loop.ProcessEvents(-1);
  EXPECT_EQ(heard, "1");
  loop.PauseFile(p.fds[0], true);
  p.Put('2');
  loop.ProcessEvents(0);
  EXPECT_EQ(heard, "1");
  loop.PauseFile(p.fds[0], false);
  loop.ProcessEvents(-1);
  EXPECT_EQ(heard, "12");
  loop.RemoveFile(p.fds[0]);
  p.Put('3');
  loop.ProcessEvents(0);
  EXPECT_EQ(heard, "12");
}

// A modal window's loop runs inside a callback of the outer loop: what it
// leaves for later runs in the outer loop, and hooks run around every wait.
TEST(EventLoop, ATurnInsideACallbackAndHooksAroundEveryWait) {
  EventLoop loop;
  std::vector<std::string> log;
  bool done = false;
  loop.AddBeforeWait([&] { log.push_back("before"); });
  loop.AddAfterWait([&] { log.push_back("after"); });
  loop.AddTimer(Clock::now(), [&] {
    log.push_back("modal");
    loop.AddTimer(Clock::now(), [&] {
      log.push_back("inside");
      done = true;
    });
    loop.AddTimer(Clock::now(), [&] { log.push_back("outside"); });
    EXPECT_TRUE(loop.RunUntil([&] { return done; }));
  });
  loop.ProcessEvents(-1);
  EXPECT_EQ(log, (std::vector<std::string>{"before", "after", "modal", "before", "after", "inside",
                                           "outside"}));
  bool ending = true;
  loop.set_ending([&] { return ending; });
  EXPECT_FALSE(loop.RunUntil([] { return true; }));
}

}  // namespace
}  // namespace marl
