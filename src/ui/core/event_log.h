// The log of what the terminal did to the outside world besides drawing:
// beeps, pauses, message boxes, printed lines, sends, quitting; in the
// automation interface's words, oldest first. It is bounded: a session that
// never reads it (a person at the window all day, a soak script) keeps the
// newest events only, and the next reader learns how many were dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace marl {

class EventLog {
 public:
  // The newest events kept: at most this many, holding at most this many
  // bytes of text, whichever is reached first.
  static constexpr size_t kMaxEvents = 10000;
  static constexpr size_t kMaxBytes = size_t(4) << 20;

  void Record(std::string event);
  // The events since the last call, oldest first; when some were dropped,
  // the first line is "dropped N".
  std::vector<std::string> Take();
  // Only what is kept now, without a "dropped" line; nothing is taken.
  const std::deque<std::string>& kept() const { return events_; }
  uint64_t dropped() const { return dropped_; }

 private:
  std::deque<std::string> events_;
  size_t bytes_ = 0;
  uint64_t dropped_ = 0;
};

// A text quoted as the automation interface writes it: in double quotes,
// with \\ \" \n \r \t and \xHH for every other byte outside 0x20 to 0x7E.
std::string Quote(std::string_view text);

}  // namespace marl
