#include "ui/load/load_timeline.h"

#include <algorithm>

namespace marl {

void LoadTimeline::Sample(double now, const LoadTotals& totals, uint64_t running) {
  if (started_) {
    SecondCounts& s = seconds_[second_];
    s.screens += totals.screens - last_.screens;
    s.replies += totals.replies - last_.replies;
    s.iterations += totals.iterations - last_.iterations;
    s.errors += totals.error_count() - last_.error_count();
    // The most of its two ends: a second the run ended in still had them.
    s.running = std::max(running, last_running_);
  }
  started_ = true;
  // A clock set back keeps counting into the latest second.
  if (int64_t(now) > second_) second_ = int64_t(now);
  last_ = totals;
  last_running_ = running;
}

}  // namespace marl
