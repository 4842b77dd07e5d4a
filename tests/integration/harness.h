// The two ends an integration test plays: the host, listening on a free
// loopback port, and the marlsim process, driven through its automation
// commands on standard input and output.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace marl::testing {

class LoopbackHost {
 public:
  // Listens on 127.0.0.1 at a port the system picks. A receive buffer size
  // other than 0 is set before listening, so the connection keeps it.
  explicit LoopbackHost(int receive_buffer = 0);
  ~LoopbackHost();
  LoopbackHost(const LoopbackHost&) = delete;
  LoopbackHost& operator=(const LoopbackHost&) = delete;

  int port() const { return port_; }
  bool Accept(int timeout_ms);
  bool Send(std::string_view bytes);
  // Reads until `count` bytes have come, the connection ends, or time is up.
  std::string Receive(size_t count, int timeout_ms);
  // Reads until nothing has come for `quiet_ms` or the connection ends.
  std::string ReceiveUntilQuiet(int quiet_ms, int limit_ms);
  // True once the terminal has closed its end (all its bytes read).
  bool WaitForEnd(int timeout_ms);
  void Close();
  // Ends the connection with a reset instead of an orderly close.
  void Reset();

 private:
  int listener_ = -1;
  int connection_ = -1;
  int port_ = 0;
};

// A loopback port that nothing listens on.
int UnusedPort();

class Marlsim {
 public:
  // Starts marlsim with `args` in `directory`, with `env` added to (or
  // replacing in) this process's environment.
  Marlsim(const std::vector<std::string>& args, const std::string& directory,
          const std::vector<std::pair<std::string, std::string>>& env = {});
  ~Marlsim();
  Marlsim(const Marlsim&) = delete;
  Marlsim& operator=(const Marlsim&) = delete;

  // Sends one command and returns every line of its answer, the final "ok"
  // or "error: ..." included; an empty list when no answer came in time.
  std::vector<std::string> Command(const std::string& line, int timeout_ms = 15000);
  // The rows of `screen` (or attrs, grid) without the heading and the "ok".
  std::vector<std::string> Rows(const std::string& command = "screen");
  void CloseInput();
  // The exit status, or -1 when the process did not end in time (it is then
  // killed).
  int Wait(int timeout_ms = 15000);
  // Whatever came on standard output that no command has taken.
  std::string RemainingOutput(int timeout_ms);
  std::string Diagnostics() const;
  pid_t pid() const { return pid_; }

 private:
  bool ReadLine(std::string* line, int timeout_ms);

  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::string stderr_path_;
  std::string buffered_;
};

}  // namespace marl::testing
