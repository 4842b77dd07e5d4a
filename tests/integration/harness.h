// The two ends an integration test plays: the host, listening on a free
// loopback port, and the marlsim process, driven through its automation
// commands on standard input and output.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "host_records.h"
#include "loopback.h"
#include "shell.h"
#include "temp_dir.h"

namespace marl::testing {

using Lines = std::vector<std::string>;

// A command record with the header words a test gives (word 0 first). A
// header byte is taken with its top bit off, so 0x80 stands for 0 without
// putting a zero byte on the wire.
inline std::string HostCommand(std::string_view body, std::vector<int> words = {}) {
  words.resize(5);
  std::string header;
  for (const int w : words) header += char(0x80 | w);
  return Command(body, header + "000");
}

// The form of slot 1: User (plain) on row 0 and Pass (password) on row 1,
// six cells each.
inline const std::string kLogin = HostCommand("\\1T\\User:\\@      \\|09Pass:\\A      \\");

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

// Polls until `holds` is true, for up to `ms`; whether it came true. State
// is waited for, never time: a busy machine is only slower.
inline bool Until(const std::function<bool()>& holds, int ms) {
  const auto deadline = harness::Clock::now() + std::chrono::milliseconds(ms);
  while (!holds()) {
    if (harness::Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

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
  // Reads until what came holds `text` (all of it is returned), the
  // connection ends, or time is up.
  std::string ReceiveThrough(const std::string& text, int ms) {
    const auto deadline = harness::Clock::now() + std::chrono::milliseconds(ms);
    std::string out;
    char buffer[8192];
    while (out.find(text) == std::string::npos &&
           harness::Readable(connection_, harness::MsLeft(deadline))) {
      const ssize_t n = read(connection_, buffer, sizeof buffer);
      if (n <= 0) break;
      out.append(buffer, size_t(n));
    }
    return out;
  }
  // A reply to something the terminal does in its own time (keys through a
  // pane or a window): waits up to `first_ms` for its first byte, then reads
  // until nothing has come for `quiet_ms`.
  std::string ReceiveReply(int first_ms, int quiet_ms) {
    if (!harness::Readable(connection_, first_ms)) return "";
    return harness::Read(connection_, std::string::npos, quiet_ms, first_ms);
  }
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

using Env = std::vector<std::pair<std::string, std::string>>;

// A program run by the test, with its standard input and output on pipes
// and its standard error in a file.
class Process {
 public:
  // Starts `args` (a program, looked up on the PATH, and its arguments) in
  // `directory`, with `env` added to (or replacing in) this process's
  // environment.
  Process(const Lines& args, const std::string& directory, const Env& env = {})
      : stderr_path_(directory + "/stderr." + std::to_string(reinterpret_cast<uintptr_t>(this))) {
    // Everything the child needs is built before the fork; env(1) sets the
    // variables and finds the program.
    Lines strings = {"/usr/bin/env"};
    for (const auto& [name, value] : env) strings.push_back(name + "=" + value);
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
  ~Process() {
    CloseInput();
    Wait(5000);
    if (output_ >= 0) close(output_);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // Sends one line without waiting for an answer.
  bool Write(const std::string& line) {
    const std::string text = line + "\n";
    return input_ >= 0 && write(input_, text.data(), text.size()) == ssize_t(text.size());
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
  // Standard output that nothing has taken yet, up to `count` bytes, until
  // nothing has come for `ms`.
  std::string RemainingOutput(int ms, size_t count = std::string::npos) {
    std::string all =
        buffered_ + harness::Read(output_, count - std::min(count, buffered_.size()), ms, ms);
    buffered_.clear();
    return all;
  }
  std::string Diagnostics() const { return ReadFile(stderr_path_); }
  pid_t pid() const { return pid_; }

 protected:
  std::string stderr_path_;
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  std::string buffered_;
};

// marlsim, driven through its automation commands.
class Marlsim : public Process {
 public:
  Marlsim(Lines args, const std::string& directory, const Env& env = {})
      : Process(WithProgram(std::move(args)), directory, env) {}

  // Sends one command and returns every line of its answer, the final "ok"
  // or "error: ..." included; an empty list when no answer came in time.
  Lines Command(const std::string& line, int timeout_ms = 15000) {
    if (!Write(line)) return {};
    return Answer(timeout_ms);
  }
  // The answer to the oldest command not yet answered, as Command gives it.
  Lines Answer(int timeout_ms = 15000) {
    Lines answer;
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
  Lines Rows(const std::string& command = "screen") {
    Lines answer = Command(command);
    if (answer.size() < 2) return {};
    return Lines(answer.begin() + 1, answer.end() - 1);
  }

 private:
  // The window front end only where a test asks for it, whatever display
  // the machine has.
  static Lines WithProgram(Lines args) {
    if (std::none_of(args.begin(), args.end(),
                     [](const std::string& a) { return a.rfind("--ui", 0) == 0; })) {
      args.insert(args.begin(), "--ui=headless");
    }
    args.insert(args.begin(), MARLSIM_PATH);
    return args;
  }
};

inline std::string Port(const LoopbackHost& host) {
  return "-P" + std::to_string(host.port());
}

// marlsim with a 20 x 16 screen (and `args`) connected to a host played by
// the test, which has read the announcement; the events so far are taken.
struct Session {
  explicit Session(Lines args = {}, const Env& env = {})
      : sim((args.insert(args.end(), {"--size", "20x16", Port(host)}), args), dir.path(), env) {
    accepted = host.Accept(60000);
    // The start-up tune takes its real time in a window; a busy machine
    // takes longer still. The power-up ends with the address.
    if (accepted) power_up = host.ReceiveThrough("IP=" + LocalAddress(), 60000);
    sim.Command("events");
  }
  // Host bytes, handled; what the terminal answered.
  std::string Host(const std::string& bytes) {
    sim.Command("state");  // the window read, so that the wait is for these bytes
    host.Send(bytes);
    EXPECT_EQ(sim.Command("wait output"), Lines{"ok"});
    return host.ReceiveUntilQuiet(200, 3000);
  }
  // Automation commands, each answered ok; what went to the host.
  std::string Keys(const Lines& commands) {
    for (const std::string& c : commands) EXPECT_EQ(sim.Command(c), Lines{"ok"}) << c;
    return host.ReceiveUntilQuiet(200, 3000);
  }
  std::string State() {
    const Lines lines = sim.Command("state");
    return lines.empty() ? "" : lines[0];
  }

  TempDir dir;
  LoopbackHost host;
  Marlsim sim;
  bool accepted = false;
  std::string power_up;
};

}  // namespace marl::testing
