// The event log keeps the newest events within its bounds and says how many
// it dropped, once, to the next reader.
#include "ui/core/event_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace marl {
namespace {

TEST(EventLog, KeepsTheNewestWithinItsBoundsAndSaysHowManyWentOnce) {
  struct Case {
    const char* name;
    size_t count;
    size_t size;  // of each event's text
    size_t kept;  // the newest kept
  } cases[] = {
      {"within both bounds", 3, 10, 3},
      {"exactly the most events", EventLog::kMaxEvents, 1, EventLog::kMaxEvents},
      {"five events too many", EventLog::kMaxEvents + 5, 1, EventLog::kMaxEvents},
      {"too many bytes", 10, EventLog::kMaxBytes / 4, 4},
      {"one event larger than the bound", 3, EventLog::kMaxBytes + 1, 1},
  };
  for (const Case& c : cases) {
    EventLog log;
    for (size_t i = 0; i < c.count; ++i) {
      std::string event = std::to_string(i);
      event.resize(std::max(c.size, event.size()), '.');
      log.Record(event);
    }
    const std::vector<std::string> taken = log.Take();
    const size_t dropped = c.count - c.kept;
    ASSERT_EQ(taken.size(), c.kept + (dropped > 0 ? 1 : 0)) << c.name;
    EXPECT_EQ(taken.front().rfind("dropped ", 0) == 0, dropped > 0) << c.name;
    if (dropped > 0) {
      EXPECT_EQ(taken.front(), "dropped " + std::to_string(dropped)) << c.name;
    }
    // The newest event is last, whole.
    EXPECT_EQ(taken.back().substr(0, std::to_string(c.count - 1).size() + 1),
              std::to_string(c.count - 1) + (c.size > 1 ? "." : ""))
        << c.name;
    EXPECT_TRUE(log.Take().empty()) << c.name;
  }
}

TEST(EventLog, QuotesEveryByteAPersonCannotSee) {
  EXPECT_EQ(Quote(std::string("a\"b\\c\n\r\t\x01\x7F\xFF", 11)),
            "\"a\\\"b\\\\c\\n\\r\\t\\x01\\x7F\\xFF\"");
  EXPECT_EQ(Quote(""), "\"\"");
}

}  // namespace
}  // namespace marl
