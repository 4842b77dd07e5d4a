#include "ui/core/event_log.h"

#include <cstdio>

namespace marl {

void EventLog::Record(std::string event) {
  bytes_ += event.size();
  events_.push_back(std::move(event));
  // The oldest go first; the newest event stays, however large.
  while (events_.size() > 1 && (events_.size() > kMaxEvents || bytes_ > kMaxBytes)) {
    bytes_ -= events_.front().size();
    events_.pop_front();
    ++dropped_;
  }
}

std::vector<std::string> EventLog::Take() {
  std::vector<std::string> taken;
  if (events_.empty() && dropped_ == 0) return taken;
  taken.reserve(events_.size() + 1);
  if (dropped_ > 0) taken.push_back("dropped " + std::to_string(dropped_));
  for (std::string& event : events_) taken.push_back(std::move(event));
  events_.clear();
  bytes_ = 0;
  dropped_ = 0;
  return taken;
}

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c >= 0x20 && c <= 0x7E) {
          out.push_back(char(c));
        } else {
          char hex[8];
          std::snprintf(hex, sizeof hex, "\\x%02X", c);
          out += hex;
        }
    }
  }
  out += "\"";
  return out;
}

}  // namespace marl
