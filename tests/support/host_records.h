// Host records as the host puts them on the wire, for tests.
#pragma once

#include <string>
#include <string_view>

namespace marl::testing {

// A command record (kind 0x82): header, body, line end.
inline std::string Command(std::string_view body, std::string_view header = "00000000") {
  std::string record = "\x82";
  record += header;
  record += body;
  record += '\n';
  return record;
}

// The status reply for a code as it travels.
inline std::string Status(char code) {
  return std::string("K\\\\") + code;
}

// The status reply for a status (kStatusSuccess...), whose code travels as
// a digit below ten and as itself above.
inline std::string Reply(int status) {
  return Status(status < 10 ? char('0' + status) : char(status));
}

}  // namespace marl::testing
