#include "link/transmit.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "link/connection.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

int32_t Transmit(Terminal& t, int32_t length, const char* bytes, const char* tag) {
  LinkState& link = t.link;
  if (bytes == nullptr) bytes = "";
  if (tag == nullptr) tag = "";
  if (length < 0) length = int32_t(strnlen(bytes, kTransmitCopySize));
  // Callers keep their messages within the copy; anything beyond is cut.
  if (length > kTransmitCopySize) length = kTransmitCopySize;
  const bool power_up = std::strcmp(tag, "PowerUP") == 0;
  if (length > 0) std::memcpy(link.transmit_copy, bytes, size_t(length));
  link.transmit_start = t.platform->Now();
  ++link.transmit_count;

  for (int32_t offset = 0; offset < length; offset += kChunkSize) {
    int32_t n = length - offset < kChunkSize ? length - offset : kChunkSize;
    std::memcpy(link.chunk, link.transmit_copy + offset, size_t(n));
    link.chunk[n] = 0;
    if (power_up && !LinkFailed(GetLocalAddress(t, link.local_address))) {
      // The address goes after the message's zero byte: "IP=" and the text.
      char* suffix = link.chunk + n + 1;
      const size_t address = strnlen(link.local_address, kLocalAddressSize - 1);
      std::memcpy(suffix, "IP=", 3);
      std::memcpy(suffix + 3, link.local_address, address);
      n += int32_t(1 + 3 + address);
    }
    SendWithTimeout(t, n, link.chunk, link.transmit_timeout_ms);
  }

  if (t.session.text_dialect == 1) {
    char status[160];
    std::snprintf(status, sizeof status, "%.100s, %ld%% Batt\n", tag, long(BatteryLevel(t)));
    ShowStatus(t, status);
  }
  return 1;
}

void SendPowerUp(Terminal& t, int32_t rows, int32_t columns) {
  if (t.session.text_dialect != 1) return;
  char text[64];
  std::snprintf(text, sizeof text, "P,Rows=%ld,Cols=%ld", long(rows), long(columns));
  Transmit(t, -1, text, "PowerUP");
}

uint32_t GetLocalAddress(Terminal& t, char* buffer) {
  char name[65] = {};
  if (gethostname(name, sizeof name - 1) != 0) return kLinkFailure;
  char* known = t.link.resolved_address;
  if (known[0] == 0) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) == 0 && found != nullptr) {
      const in_addr address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
      inet_ntop(AF_INET, &address, known, INET_ADDRSTRLEN);
    }
    if (found != nullptr) freeaddrinfo(found);
  }
  // A name that does not resolve gives the address 0.
  const char* text = known[0] != 0 ? known : "0.0.0.0";
  std::memcpy(buffer, text, std::strlen(text) + 1);
  return kLinkSuccess;
}

int32_t BatteryLevel(Terminal&) {
  return 0;
}

}  // namespace marl
