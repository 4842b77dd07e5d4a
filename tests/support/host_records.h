// Host records as the host puts them on the wire, for tests.
#pragma once

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

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

// The address the terminal announces in its power-up: what this machine's
// name resolves to, which differs between machines (127.0.1.1 on a stock
// Debian, 127.0.0.1 on many containers), or 0.0.0.0 when it does not resolve.
inline std::string LocalAddress() {
  char name[65] = {};
  std::string text = "0.0.0.0";
  if (gethostname(name, sizeof name - 1) != 0) return text;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(name, nullptr, &hints, &found) == 0 && found != nullptr) {
    char address[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr, address,
              sizeof address);
    text = address;
  }
  if (found != nullptr) freeaddrinfo(found);
  return text;
}

// The power-up announcement of a terminal of `rows` x `columns`.
inline std::string PowerUp(int rows = 16, int columns = 20) {
  return "P,Rows=" + std::to_string(rows) + ",Cols=" + std::to_string(columns) +
         std::string(1, '\0') + "IP=" + LocalAddress();
}

}  // namespace marl::testing
