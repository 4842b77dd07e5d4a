#include "demo/demo_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "demo/demo_session.h"
#include "host/terminal_messages.h"

namespace marl::demo {

namespace {

using Clock = std::chrono::steady_clock;

// A terminal that stops reading is dropped once this much waits for it.
constexpr size_t kMaxPending = 1 << 20;

struct Connection {
  int fd = -1;
  int number = 0;
  std::string input;
  std::string output;
  std::string later;  // sent when `due` has come
  Clock::time_point due;
  bool want_write = false;
  DemoSession session;
};

}  // namespace

struct DemoServer::State {
  int listener = -1;
  int epoll = -1;
  int wake = -1;  // eventfd: Stop
  int port = 0;
  int next_number = 0;
  std::FILE* log = nullptr;
  std::atomic<bool> stopping{false};
  std::atomic<size_t> open{0};
  std::unordered_map<int, std::unique_ptr<Connection>> connections;

  void Log(const Connection& c, const char* what, const std::string& detail) {
    if (log == nullptr) return;
    std::fprintf(log, "demo host: terminal %d: %s%s%s\n", c.number, what, detail.empty() ? "" : " ",
                 detail.c_str());
    std::fflush(log);
  }
  void Close(Connection& c, const char* why) {
    Log(c, "closed", why);
    epoll_ctl(epoll, EPOLL_CTL_DEL, c.fd, nullptr);
    close(c.fd);
    connections.erase(c.fd);  // `c` is gone from here on
    open = connections.size();
  }
  void Watch(Connection& c) {
    const bool want = !c.output.empty();
    if (want == c.want_write) return;
    epoll_event e{};
    e.events = EPOLLIN | EPOLLRDHUP | (want ? uint32_t(EPOLLOUT) : 0u);
    e.data.fd = c.fd;
    epoll_ctl(epoll, EPOLL_CTL_MOD, c.fd, &e);
    c.want_write = want;
  }
  // Sends what can go now; false when the connection had to be closed.
  bool Flush(Connection& c) {
    while (!c.output.empty()) {
      const ssize_t n = send(c.fd, c.output.data(), c.output.size(), MSG_NOSIGNAL);
      if (n > 0) {
        c.output.erase(0, size_t(n));
      } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        break;
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        Close(c, std::strerror(errno));
        return false;
      }
    }
    if (c.output.size() > kMaxPending) {
      Close(c, "not reading");
      return false;
    }
    Watch(c);
    return true;
  }
  void Queue(Connection& c, const Answer& answer) {
    c.output += answer.now;
    if (!answer.later.empty()) {
      c.later = answer.later;
      c.due = Clock::now() + std::chrono::milliseconds(answer.later_ms);
    }
  }
  // Takes every complete message from the input; false when closed.
  bool Handle(Connection& c) {
    size_t at = 0;
    while (at < c.input.size()) {
      host::TerminalMessage message;
      const std::string_view rest(c.input.data() + at, c.input.size() - at);
      const host::ParseResult r = host::ParseTerminalMessage(rest, &message);
      if (r.status == host::ParseStatus::kIncomplete) break;
      if (r.status == host::ParseStatus::kMalformed) {
        Log(c, "dropped", r.error + ": \"" + Printable(std::string(rest.substr(0, r.used))) + "\"");
        at += r.used;
        continue;
      }
      at += r.used;
      const Answer answer = c.session.OnMessage(message);
      Log(c, host::MessageKindName(message.kind),
          "\"" + Printable(message.bytes) + "\" -> " + answer.note);
      Queue(c, answer);
    }
    c.input.erase(0, at);
    return Flush(c);
  }
  void Accept() {
    for (;;) {
      const int fd = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) return;  // EAGAIN, or out of descriptors: the rest wait
      const int one = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      auto c = std::make_unique<Connection>();
      c->fd = fd;
      c->number = ++next_number;
      epoll_event e{};
      e.events = EPOLLIN | EPOLLRDHUP;
      e.data.fd = fd;
      if (epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &e) != 0) {
        close(fd);
        continue;
      }
      Log(*c, "connected", "");
      connections.emplace(fd, std::move(c));
      open = connections.size();
    }
  }
  // One read a wake-up, so that a terminal that floods the host cannot keep
  // the others waiting.
  void Read(Connection& c) {
    char buffer[8192];
    ssize_t n = 0;
    do {
      n = recv(c.fd, buffer, sizeof buffer, 0);
    } while (n < 0 && errno == EINTR);
    if (n > 0) {
      c.input.append(buffer, size_t(n));
      Handle(c);
      return;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    // The terminal went away, perhaps in the middle of a form: nothing more
    // is owed to it.
    Close(c, n == 0 ? "by the terminal" : std::strerror(errno));
  }
  // Milliseconds until the next delayed answer is due, -1 for none.
  int NextDue() {
    int wait = -1;
    const auto now = Clock::now();
    for (auto& [fd, c] : connections) {
      if (c->later.empty()) continue;
      const auto ms = std::chrono::ceil<std::chrono::milliseconds>(c->due - now).count();
      const int left = ms > 0 ? int(ms) : 0;
      if (wait < 0 || left < wait) wait = left;
    }
    return wait;
  }
  void SendDue() {
    const auto now = Clock::now();
    std::vector<int> ready;
    for (auto& [fd, c] : connections) {
      if (!c->later.empty() && c->due <= now) ready.push_back(fd);
    }
    for (const int fd : ready) {
      Connection& c = *connections.at(fd);
      c.output += c.later;
      c.later.clear();
      Flush(c);
    }
  }
};

DemoServer::DemoServer() : state_(std::make_unique<State>()) {
  state_->epoll = epoll_create1(EPOLL_CLOEXEC);
  state_->wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  epoll_event e{};
  e.events = EPOLLIN;
  e.data.fd = state_->wake;
  epoll_ctl(state_->epoll, EPOLL_CTL_ADD, state_->wake, &e);
}

DemoServer::~DemoServer() {
  for (auto& [fd, c] : state_->connections) close(fd);
  if (state_->listener >= 0) close(state_->listener);
  close(state_->wake);
  close(state_->epoll);
}

bool DemoServer::Listen(const std::string& address, int port, std::string* error) {
  sockaddr_in where{};
  where.sin_family = AF_INET;
  where.sin_port = htons(uint16_t(port));
  if (port < 0 || port > 65535 || inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1) {
    *error = "not an IPv4 address and port: " + address + " " + std::to_string(port);
    return false;
  }
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  const int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 ||
      listen(fd, 1024) != 0) {
    *error =
        "cannot listen on " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
    if (fd >= 0) close(fd);
    return false;
  }
  socklen_t length = sizeof where;
  getsockname(fd, reinterpret_cast<sockaddr*>(&where), &length);
  state_->listener = fd;
  state_->port = ntohs(where.sin_port);
  epoll_event e{};
  e.events = EPOLLIN;
  e.data.fd = fd;
  epoll_ctl(state_->epoll, EPOLL_CTL_ADD, fd, &e);
  return true;
}

int DemoServer::port() const {
  return state_->port;
}
void DemoServer::SetLog(std::FILE* log) {
  state_->log = log;
}
size_t DemoServer::connections() const {
  return state_->open;
}

void DemoServer::Stop() {
  state_->stopping = true;
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(state_->wake, &one, sizeof one);
}

void DemoServer::Run() {
  State& s = *state_;
  epoll_event events[256];
  while (!s.stopping) {
    const int n = epoll_wait(s.epoll, events, 256, s.NextDue());
    if (n < 0 && errno != EINTR) break;
    for (int i = 0; i < n; ++i) {
      const int fd = events[i].data.fd;
      if (fd == s.wake) continue;
      if (fd == s.listener) {
        s.Accept();
        continue;
      }
      const auto found = s.connections.find(fd);
      if (found == s.connections.end()) continue;  // closed earlier in this round
      Connection& c = *found->second;
      if (events[i].events & EPOLLOUT) {
        if (!s.Flush(c)) continue;
      }
      if (events[i].events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR)) s.Read(c);
    }
    s.SendDue();
  }
}

}  // namespace marl::demo
