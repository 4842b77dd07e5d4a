// The demo host's network side: one thread, one epoll set, any number of
// terminals. Each connection has its own DemoSession; bytes are parsed as
// they come and answers queued without ever blocking on one terminal.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace marl::demo {

class DemoServer {
 public:
  DemoServer();
  ~DemoServer();
  DemoServer(const DemoServer&) = delete;
  DemoServer& operator=(const DemoServer&) = delete;

  // Listens on `address` (dotted IPv4) and `port`, 0 for a free one. On
  // failure gives the reason in `error`.
  bool Listen(const std::string& address, int port, std::string* error);
  int port() const;
  // One line a message, what the terminal sent and what the host made of
  // it; null for none.
  void SetLog(std::FILE* log);
  // Serves until Stop; one thread only.
  void Run();
  // Safe from any thread and from a signal handler.
  void Stop();
  // Connections open now.
  size_t connections() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace marl::demo
