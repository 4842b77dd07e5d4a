// The two ends an integration test plays: the host, listening on a free
// loopback port, and the marlsim process, driven through its automation
// commands on standard input and output.
#pragma once

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "loopback.h"

namespace marl::testing {

namespace harness {

using Clock = std::chrono::steady_clock;

inline int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? int(left.count()) : 0;
}

inline bool Readable(int fd, int timeout_ms) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, timeout_ms) > 0;
}

// What `fd` gives until `count` bytes have come, nothing has come for
// `quiet_ms`, or time is up; `ended` tells whether the other end closed.
inline std::string Read(int fd, size_t count, int quiet_ms, int limit_ms, bool* ended = nullptr) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(limit_ms);
  std::string out;
  char buffer[8192];
  while (out.size() < count && Readable(fd, std::min(quiet_ms, MsLeft(deadline)))) {
    const ssize_t n = read(fd, buffer, std::min(sizeof buffer, count - out.size()));
    if (n <= 0) {
      if (ended != nullptr) *ended = true;
      break;
    }
    out.append(buffer, size_t(n));
  }
  return out;
}

}  // namespace harness

class LoopbackHost {
 public:
  // A receive buffer size other than 0 is set before listening, so the
  // connection keeps it.
  explicit LoopbackHost(int receive_buffer = 0) {
    if (receive_buffer > 0) {
      setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
    }
    port_ = BindAnyPort(listener_);
    listen(listener_, 4);
  }
  ~LoopbackHost() {
    Close();
    close(listener_);
  }
  LoopbackHost(const LoopbackHost&) = delete;
  LoopbackHost& operator=(const LoopbackHost&) = delete;

  int port() const { return port_; }
  bool Accept(int timeout_ms) {
    if (!harness::Readable(listener_, timeout_ms)) return false;
    connection_ = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    return connection_ >= 0;
  }
  bool Send(std::string_view bytes) {
    for (ssize_t n = 0; !bytes.empty(); bytes.remove_prefix(size_t(n))) {
      n = send(connection_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (n <= 0) return false;
    }
    return true;
  }
  // Reads until `count` bytes have come, the connection ends, or time is up.
  std::string Receive(size_t count, int ms) { return harness::Read(connection_, count, ms, ms); }
  // Reads until nothing has come for `quiet_ms` or the connection ends.
  std::string ReceiveUntilQuiet(int quiet_ms, int limit_ms) {
    return harness::Read(connection_, std::string::npos, quiet_ms, limit_ms);
  }
  // True once the terminal has closed its end (all its bytes read).
  bool WaitForEnd(int ms) {
    bool ended = false;
    harness::Read(connection_, std::string::npos, ms, ms, &ended);
    return ended;
  }
  // An orderly close, or with `reset` an abortive one.
  void Close(bool reset = false) {
    linger abort{1, 0};
    if (reset) setsockopt(connection_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    if (connection_ >= 0) close(connection_);
    connection_ = -1;
  }

 private:
  int listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int connection_ = -1;
  int port_ = 0;
};

// A loopback port that nothing listens on.
inline int UnusedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  const int port = BindAnyPort(fd);
  close(fd);
  return port;
}

class Marlsim {
 public:
  // Starts marlsim with `args` in `directory`, with `env` added to (or
  // replacing in) this process's environment.
  Marlsim(const std::vector<std::string>& args, const std::string& directory,
          const std::vector<std::pair<std::string, std::string>>& env = {})
      : stderr_path_(directory + "/marlsim.stderr." +
                     std::to_string(reinterpret_cast<uintptr_t>(this))) {
    // Everything the child needs is built before the fork; env(1) sets the
    // variables.
    std::vector<std::string> strings = {"/usr/bin/env"};
    for (const auto& [name, value] : env) strings.push_back(name + "=" + value);
    strings.push_back(MARLSIM_PATH);
    // The window front end only where a test asks for it, whatever display
    // the machine has.
    if (std::none_of(args.begin(), args.end(),
                     [](const std::string& a) { return a.rfind("--ui", 0) == 0; })) {
      strings.push_back("--ui=headless");
    }
    strings.insert(strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& s : strings) argv.push_back(s.data());
    argv.push_back(nullptr);
    // A program that has already ended must not take the test down with it
    // when the test writes its next command.
    signal(SIGPIPE, SIG_IGN);
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
    const int err = open(stderr_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      dup2(err, 2);
      if (chdir(directory.c_str()) == 0) execv(argv[0], argv.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err);
    input_ = in[1];
    output_ = out[0];
  }
  ~Marlsim() {
    CloseInput();
    Wait(5000);
    if (output_ >= 0) close(output_);
  }
  Marlsim(const Marlsim&) = delete;
  Marlsim& operator=(const Marlsim&) = delete;

  // Sends one command and returns every line of its answer, the final "ok"
  // or "error: ..." included; an empty list when no answer came in time.
  std::vector<std::string> Command(const std::string& line, int timeout_ms = 15000) {
    if (!Write(line)) return {};
    return Answer(timeout_ms);
  }
  // Sends one command without waiting for its answer.
  bool Write(const std::string& line) {
    const std::string text = line + "\n";
    return input_ >= 0 && write(input_, text.data(), text.size()) == ssize_t(text.size());
  }
  // The answer to the oldest command not yet answered, as Command gives it.
  std::vector<std::string> Answer(int timeout_ms = 15000) {
    std::vector<std::string> answer;
    size_t rows = 0;  // lines still to take whatever they hold, even "ok"
    const auto deadline = harness::Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (size_t end;;) {
      while ((end = buffered_.find('\n')) == std::string::npos) {
        char buffer[4096];
        const ssize_t n = harness::Readable(output_, harness::MsLeft(deadline))
                              ? read(output_, buffer, sizeof buffer)
                              : 0;
        if (n <= 0) return {};
        buffered_.append(buffer, size_t(n));
      }
      answer.push_back(buffered_.substr(0, end));
      buffered_.erase(0, end + 1);
      const std::string& got = answer.back();
      for (const char* view : {"screen ", "attrs ", "grid "}) {
        if (answer.size() == 1 && got.rfind(view, 0) == 0) {
          rows = 1 + size_t(std::atoi(got.c_str() + std::strlen(view)));
        }
      }
      if (rows > 0) {
        --rows;
      } else if (got == "ok" || got.rfind("error: ", 0) == 0) {
        return answer;
      }
    }
  }
  // The rows of `screen` (or attrs, grid) without the heading and the "ok".
  std::vector<std::string> Rows(const std::string& command = "screen") {
    std::vector<std::string> answer = Command(command);
    if (answer.size() < 2) return {};
    return std::vector<std::string>(answer.begin() + 1, answer.end() - 1);
  }
  void CloseInput() {
    if (input_ >= 0) close(input_);
    input_ = -1;
  }
  // The exit status, or -1 when the process did not end in time (it is then
  // killed). The program's end closes its output; what it wrote is kept.
  int Wait(int timeout_ms = 15000) {
    if (pid_ <= 0) return -1;
    bool ended = false;
    buffered_ += harness::Read(output_, std::string::npos, timeout_ms, timeout_ms, &ended);
    if (!ended) kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    if (!ended) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  // Whatever came on standard output that no command has taken.
  std::string RemainingOutput(int ms) {
    std::string all = buffered_ + harness::Read(output_, std::string::npos, ms, ms);
    buffered_.clear();
    return all;
  }
  std::string Diagnostics() const {
    std::ostringstream all;
    all << std::ifstream(stderr_path_).rdbuf();
    return all.str();
  }
  pid_t pid() const { return pid_; }

 private:
  std::string stderr_path_;
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::string buffered_;
};

}  // namespace marl::testing
