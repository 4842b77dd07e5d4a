#include "harness.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

extern char** environ;

namespace marl::testing {

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? int(left.count()) : 0;
}

bool Readable(int fd, int timeout_ms) {
  pollfd p{fd, POLLIN, 0};
  int result;
  do {
    result = poll(&p, 1, timeout_ms);
  } while (result < 0 && errno == EINTR);
  return result > 0;
}

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(uint16_t(port));
  return address;
}

}  // namespace

LoopbackHost::LoopbackHost(int receive_buffer) {
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (receive_buffer > 0) {
    setsockopt(listener_, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
  }
  sockaddr_in address = Loopback(0);
  bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(listener_, 4);
  socklen_t length = sizeof address;
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
}

LoopbackHost::~LoopbackHost() {
  Close();
  if (listener_ >= 0) close(listener_);
}

bool LoopbackHost::Accept(int timeout_ms) {
  if (!Readable(listener_, timeout_ms)) return false;
  connection_ = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  return connection_ >= 0;
}

bool LoopbackHost::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = send(connection_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(size_t(n));
  }
  return true;
}

std::string LoopbackHost::Receive(size_t count, int timeout_ms) {
  std::string received;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  char buffer[8192];
  while (received.size() < count && Readable(connection_, MsLeft(deadline))) {
    const ssize_t n =
        recv(connection_, buffer, std::min(sizeof buffer, count - received.size()), 0);
    if (n <= 0) break;
    received.append(buffer, size_t(n));
  }
  return received;
}

std::string LoopbackHost::ReceiveUntilQuiet(int quiet_ms, int limit_ms) {
  std::string received;
  const auto deadline = Clock::now() + std::chrono::milliseconds(limit_ms);
  char buffer[8192];
  while (Readable(connection_, std::min(quiet_ms, MsLeft(deadline)))) {
    const ssize_t n = recv(connection_, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    received.append(buffer, size_t(n));
  }
  return received;
}

bool LoopbackHost::WaitForEnd(int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  char buffer[8192];
  while (Readable(connection_, MsLeft(deadline))) {
    const ssize_t n = recv(connection_, buffer, sizeof buffer, 0);
    if (n <= 0) return true;
  }
  return false;
}

void LoopbackHost::Close() {
  if (connection_ >= 0) close(connection_);
  connection_ = -1;
}

void LoopbackHost::Reset() {
  if (connection_ < 0) return;
  linger abort{1, 0};
  setsockopt(connection_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  Close();
}

int UnusedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = Loopback(0);
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

Marlsim::Marlsim(const std::vector<std::string>& args, const std::string& directory,
                 const std::vector<std::pair<std::string, std::string>>& env) {
  stderr_path_ = directory + "/marlsim.stderr." + std::to_string(reinterpret_cast<uintptr_t>(this));
  // Everything the child needs is built before the fork.
  std::vector<std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    bool replaced = false;
    for (const auto& [name, value] : env) replaced |= entry.rfind(name + "=", 0) == 0;
    if (!replaced) environment.push_back(entry);
  }
  for (const auto& [name, value] : env) environment.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::vector<std::string> argv_strings = {MARLSIM_PATH};
  argv_strings.insert(argv_strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : argv_strings) argv.push_back(arg.data());
  argv.push_back(nullptr);

  // A program that has already ended must not take the test down with it
  // when the test writes its next command.
  signal(SIGPIPE, SIG_IGN);
  int in[2];
  int out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
  const int err = open(stderr_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  pid_ = fork();
  if (pid_ == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err, 2);
    if (chdir(directory.c_str()) != 0) _exit(126);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err);
  input_ = in[1];
  output_ = out[0];
}

Marlsim::~Marlsim() {
  CloseInput();
  if (pid_ > 0 && Wait(5000) == -1) {
    // Wait has killed and reaped it.
  }
  if (output_ >= 0) close(output_);
}

bool Marlsim::ReadLine(std::string* line, int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    const size_t end = buffered_.find('\n');
    if (end != std::string::npos) {
      *line = buffered_.substr(0, end);
      buffered_.erase(0, end + 1);
      return true;
    }
    if (output_ < 0 || !Readable(output_, MsLeft(deadline))) return false;
    char buffer[4096];
    const ssize_t n = read(output_, buffer, sizeof buffer);
    if (n <= 0) return false;
    buffered_.append(buffer, size_t(n));
  }
}

std::vector<std::string> Marlsim::Command(const std::string& line, int timeout_ms) {
  const std::string text = line + "\n";
  if (input_ < 0 || write(input_, text.data(), text.size()) != ssize_t(text.size())) return {};
  std::vector<std::string> answer;
  std::string got;
  size_t rows = 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (ReadLine(&got, MsLeft(deadline))) {
    // A window view's rows are taken whatever they hold, even "ok".
    if (answer.empty()) {
      for (const char* view : {"screen ", "attrs ", "grid "}) {
        if (got.rfind(view, 0) == 0) rows = size_t(std::atoi(got.c_str() + std::strlen(view)));
      }
      answer.push_back(got);
      if (rows > 0) continue;
    } else {
      answer.push_back(got);
      if (rows > 0) {
        --rows;
        continue;
      }
    }
    if (got == "ok" || got.rfind("error: ", 0) == 0) return answer;
  }
  return {};
}

std::vector<std::string> Marlsim::Rows(const std::string& command) {
  std::vector<std::string> answer = Command(command);
  if (answer.size() < 2) return {};
  return std::vector<std::string>(answer.begin() + 1, answer.end() - 1);
}

void Marlsim::CloseInput() {
  if (input_ >= 0) close(input_);
  input_ = -1;
}

int Marlsim::Wait(int timeout_ms) {
  if (pid_ <= 0) return -1;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) break;
    if (MsLeft(deadline) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      pid_ = -1;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string Marlsim::RemainingOutput(int timeout_ms) {
  std::string all;
  all.swap(buffered_);
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  char buffer[4096];
  while (output_ >= 0 && Readable(output_, MsLeft(deadline))) {
    const ssize_t n = read(output_, buffer, sizeof buffer);
    if (n <= 0) break;
    all.append(buffer, size_t(n));
  }
  return all;
}

std::string Marlsim::Diagnostics() const {
  std::ifstream in(stderr_path_);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace marl::testing
