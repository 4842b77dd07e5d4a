// marlsim-demo-host: the demo warehouse host on its own, for any terminal
// that can reach it.
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "demo/demo_server.h"

namespace {

constexpr const char* kUsage =
    "usage: marlsim-demo-host [--port N] [--address A] [--quiet]\n"
    "\n"
    "Serves the demo warehouse application to Marlpoint terminals.\n"
    "  --port N      the port to listen on (4055, where a terminal started\n"
    "                without arguments connects); 0 for a free one\n"
    "  --address A   the IPv4 address to listen on (127.0.0.1)\n"
    "  --quiet       no log of what the terminals send\n"
    "  --help, --version\n";

marl::demo::DemoServer* g_server = nullptr;

void OnSignal(int) {
  if (g_server != nullptr) g_server->Stop();
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "marlsim-demo-host: %s\nTry 'marlsim-demo-host --help'.\n", message.c_str());
  return 1;
}

// Many terminals at once need many descriptors: take what the system allows.
void RaiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

}  // namespace

int main(int argc, char** argv) {
  int port = 4055;
  std::string address = "127.0.0.1";
  bool quiet = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    std::string value;
    const bool has_value = equals != std::string::npos || i + 1 < argc;
    if (name == "--port" || name == "--address") {
      if (!has_value) return Fail(name + " needs a value");
      value = equals != std::string::npos ? arg.substr(equals + 1) : argv[++i];
    }
    if (arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--version") {
      std::puts("marlsim-demo-host " MARL_VERSION);
      return 0;
    } else if (arg == "--quiet") {
      quiet = true;
    } else if (name == "--port") {
      char* end = nullptr;
      const long n = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != 0 || n < 0 || n > 65535) {
        return Fail("--port needs a number from 0 to 65535, not '" + value + "'");
      }
      port = int(n);
    } else if (name == "--address") {
      address = value;
    } else {
      return Fail("unknown option " + arg);
    }
  }
  RaiseDescriptorLimit();
  std::signal(SIGPIPE, SIG_IGN);
  marl::demo::DemoServer server;
  std::string error;
  if (!server.Listen(address, port, &error)) {
    std::fprintf(stderr, "marlsim-demo-host: %s\n", error.c_str());
    return 1;
  }
  server.SetLog(quiet ? nullptr : stdout);
  g_server = &server;
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::printf("marlsim-demo-host: listening on %s:%d; try: marlsim -H%s -P%d\n", address.c_str(),
              server.port(), address.c_str(), server.port());
  std::fflush(stdout);
  server.Run();
  return 0;
}
