#include "ui/load/load_timeline.h"

namespace marl {

void LoadTimeline::Sample(double now, const LoadTotals& totals, uint64_t running) {
  if (started_) {
    SecondCounts& s = seconds_[second_];
    s.screens += totals.screens - last_.screens;
    s.replies += totals.replies - last_.replies;
    s.iterations += totals.iterations - last_.iterations;
    s.errors += totals.error_count() - last_.error_count();
    s.running = running;
  }
  started_ = true;
  // A clock set back keeps counting into the latest second.
  if (int64_t(now) > second_) second_ = int64_t(now);
  last_ = totals;
}

}  // namespace marl
