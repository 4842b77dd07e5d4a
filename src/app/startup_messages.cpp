#include "app/startup_messages.h"

#include <arpa/inet.h>

#include <cctype>
#include <cstring>

#include "base/settings.h"
#include "terminal.h"

namespace marl {

namespace {

// The values of -H and -P as the terminal's own parser cuts them: each runs
// to the next '-', trailing blanks removed; a later one wins.
struct Values {
  bool has_host = false, has_port = false;
  std::string host, port;
};

Values Read(const std::string& line) {
  Values v;
  for (size_t dash = line.find('-'); dash != std::string::npos;) {
    const size_t next = line.find('-', dash + 1);
    const char letter =
        char(std::toupper(static_cast<unsigned char>(dash + 1 < line.size() ? line[dash + 1] : 0)));
    if (letter == 'H' || letter == 'P') {
      const size_t start = dash + 2 <= line.size() ? dash + 2 : line.size();
      std::string value =
          line.substr(start, (next == std::string::npos ? line.size() : next) - start);
      value.erase(value.find_last_not_of(' ') + 1);
      (letter == 'H' ? v.host : v.port) = value;
      (letter == 'H' ? v.has_host : v.has_port) = true;
    }
    dash = next;
  }
  return v;
}

}  // namespace

std::vector<std::string> CommandLineWarnings(const std::string& command_line) {
  std::vector<std::string> lines;
  const Values v = Read(command_line);
  if (v.has_host && inet_addr(v.host.c_str()) == INADDR_NONE && v.host != "255.255.255.255") {
    lines.push_back("marlsim: -H" + v.host +
                    " is not a dotted IPv4 address (host names are not looked up); "
                    "the terminal uses 255.255.255.255");
  }
  if (v.has_port) {
    const int32_t asked = ReadSettingNumber(v.port.c_str());
    if (asked < 1 || asked > 65535) {
      lines.push_back("marlsim: -P" + v.port +
                      " is not a port from 1 to 65535; the terminal uses " +
                      std::to_string(uint16_t(asked)));
    }
  }
  return lines;
}

std::vector<std::string> ConnectFailureLines(const Terminal& t, const std::string& command_line) {
  char address[INET_ADDRSTRLEN] = "?";
  in_addr host{};
  host.s_addr = t.link.endpoint.address;
  inet_ntop(AF_INET, &host, address, sizeof address);
  std::string reason = t.link.connect_error != 0 ? std::strerror(t.link.connect_error) : "";
  std::vector<std::string> lines = {"marlsim: cannot connect to host " + std::string(address) +
                                    " port " + std::to_string(ntohs(t.link.endpoint.port)) +
                                    (reason.empty() ? "" : ": " + reason)};
  if (!Read(command_line).has_host) {
    lines.push_back(
        "marlsim: no host was given; give one with -HADDRESS -PPORT, or try marlsim with its "
        "demo host: marlsim --demo");
  }
  return lines;
}

std::string OtherInstanceLine() {
  return "marlsim: another marlsim started without terminal arguments is running, so this one "
         "ends; give a terminal argument (for example -P4055) to run several";
}

}  // namespace marl
