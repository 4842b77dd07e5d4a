#include "link/command_line.h"

#include <arpa/inet.h>

#include <cctype>
#include <cstring>

#include "base/guarded_alloc.h"
#include "base/settings.h"
#include "terminal.h"

namespace marl {

namespace {

void TrimTrailingSpaces(char* value) {
  size_t n = std::strlen(value);
  while (n > 0 && value[n - 1] == ' ') value[--n] = 0;
}

// Leading white space, then a number as the settings file writes them.
int32_t ReadDecimal(const char* text) {
  while (std::isspace(static_cast<unsigned char>(*text))) ++text;
  return ReadSettingNumber(text);
}

}  // namespace

HostEndpoint DefaultEndpoint() {
  HostEndpoint endpoint;
  endpoint.address = htonl(INADDR_LOOPBACK);
  endpoint.port = htons(4055);
  return endpoint;
}

void ParseCommandLine(Terminal& t, char* command_line, HostEndpoint& endpoint) {
  if (command_line == nullptr || command_line[0] == 0) return;
  char* host = nullptr;
  char* port = nullptr;
  char* id = nullptr;
  // Each value runs to the next '-', which is overwritten with a zero byte;
  // so no value can hold a '-'.
  for (char* dash = std::strchr(command_line, '-'); dash != nullptr;
       dash = std::strchr(dash + 1, '-')) {
    switch (std::toupper(static_cast<unsigned char>(dash[1]))) {
      case 'H':
        host = dash + 2;
        break;
      case 'I':
        id = dash + 2;
        break;
      case 'L':
        t.session.auto_mode = true;
        t.session.auto_start = t.platform->Now();
        break;
      case 'P':
        port = dash + 2;
        break;
      default:
        break;
    }
    *dash = 0;
  }
  if (host != nullptr) TrimTrailingSpaces(host);
  if (port != nullptr) TrimTrailingSpaces(port);
  if (id != nullptr) TrimTrailingSpaces(id);

  if (host != nullptr) endpoint.address = inet_addr(host);
  endpoint.port = htons(port != nullptr ? uint16_t(ReadDecimal(port)) : uint16_t(4060));

  if (id != nullptr) {
    const size_t length = std::strlen(id);
    GuardedFree(t, t.link.simulator_id, "MrpDazAre");
    t.link.simulator_id = static_cast<char*>(GuardedAlloc(t, uint32_t(length) + 2, "MrpDazAre"));
    if (t.link.simulator_id != nullptr) {
      std::memcpy(t.link.simulator_id, id, length);
      t.link.simulator_id[length] = ',';
      t.link.simulator_id[length + 1] = 0;
    }
  }
}

}  // namespace marl
