// The demo host on a thread of the terminal's own process, for
// `marlsim --demo`.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "demo/demo_server.h"

namespace marl::demo {

class InProcessDemo {
 public:
  // Listens on a free loopback port and serves on a thread of its own;
  // false with the reason in `error` when it cannot.
  bool Start(std::FILE* log, std::string* error);
  int port() const { return server_.port(); }
  // Stops serving and waits for the thread.
  ~InProcessDemo();

 private:
  DemoServer server_;
  std::thread thread_;
};

}  // namespace marl::demo
