// The run second by second: what each sample counted goes to the second the
// sample before it was taken in, and the seconds add up to the run.
#include "ui/load/load_timeline.h"

#include <gtest/gtest.h>

#include <vector>

namespace marl {
namespace {

LoadTotals Screens(uint64_t screens, uint64_t errors = 0) {
  LoadTotals t;
  t.screens = screens;
  t.replies = screens * 2;
  t.errors[0] = errors;
  return t;
}

TEST(LoadTimeline, EachSecondGetsWhatWasCountedWhileItLasted) {
  struct Sample {
    double at;
    uint64_t screens;
    uint64_t errors;
    uint64_t running;
  };
  struct Second {
    int64_t second;
    uint64_t screens;
    uint64_t errors;
    uint64_t running;
  };
  struct Case {
    const char* what;
    std::vector<Sample> samples;
    std::vector<Second> expected;
  };
  const Case cases[] = {
      {"a run within one second", {{100.4, 0, 0, 0}, {100.9, 30, 1, 0}}, {{100, 30, 1, 0}}},
      {"samples just past each second",
       {{100.5, 0, 0, 0}, {101.002, 10, 0, 5}, {102.002, 25, 0, 5}, {102.3, 26, 2, 0}},
       {{100, 10, 0, 5}, {101, 15, 0, 5}, {102, 1, 2, 5}}},
      {"a quiet second still counts, as zero",
       {{100.0, 0, 0, 0}, {101.001, 4, 0, 2}, {102.001, 4, 0, 2}, {103.001, 9, 0, 0}},
       {{100, 4, 0, 2}, {101, 0, 0, 2}, {102, 5, 0, 2}}},
      {"a clock set back counts into the latest second",
       {{100.0, 0, 0, 0}, {101.001, 4, 0, 1}, {99.5, 6, 0, 1}, {101.5, 7, 0, 1}},
       {{100, 4, 0, 1}, {101, 3, 0, 1}}},
  };
  for (const Case& c : cases) {
    LoadTimeline timeline;
    uint64_t total = 0;
    for (const Sample& s : c.samples) {
      timeline.Sample(s.at, Screens(s.screens, s.errors), s.running);
      total = s.screens;
    }
    ASSERT_EQ(timeline.seconds().size(), c.expected.size()) << c.what;
    uint64_t sum = 0;
    for (const Second& e : c.expected) {
      const SecondCounts& got = timeline.seconds().at(e.second);
      EXPECT_EQ(got.screens, e.screens) << c.what << " " << e.second;
      EXPECT_EQ(got.replies, e.screens * 2) << c.what << " " << e.second;
      EXPECT_EQ(got.errors, e.errors) << c.what << " " << e.second;
      EXPECT_EQ(got.running, e.running) << c.what << " " << e.second;
      sum += got.screens;
    }
    EXPECT_EQ(sum, total) << c.what;
  }
}

}  // namespace
}  // namespace marl
