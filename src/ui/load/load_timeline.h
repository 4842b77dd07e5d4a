// The run second by second: the driver samples the workers' counts each
// time the wall clock passes a whole second, and what was counted since the
// last sample goes to that sample's second. Seconds are the wall clock's
// (since 1970), so the timelines of shards on several machines line up.
#pragma once

#include <cstdint>
#include <map>

#include "ui/load/load_report.h"

namespace marl {

class LoadTimeline {
 public:
  // The first sample starts the timeline; the later ones count.
  void Sample(double now, const LoadTotals& totals, uint64_t running);
  // The wall clock has passed into another second since the last sample.
  bool Due(double now) const { return !started_ || int64_t(now) != second_; }
  const std::map<int64_t, SecondCounts>& seconds() const { return seconds_; }

 private:
  bool started_ = false;
  int64_t second_ = 0;
  LoadTotals last_;
  uint64_t last_running_ = 0;
  std::map<int64_t, SecondCounts> seconds_;
};

}  // namespace marl
