// A host for many terminals at once, played on a loopback port by a thread
// of its own: it answers each terminal's power-up and each form reply with
// a one-field form, and keeps, per terminal, what came in what order.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "loopback.h"

namespace marl::testing {

class LoadHost {
 public:
  struct Seen {
    std::string id;                    // the simulator ID it sent, comma and all
    std::string announced;             // the address its power-up named
    std::string peer;                  // the address it connected from
    std::vector<std::string> replies;  // each form reply's field, in order
    int screens = 0;                   // forms sent to it
  };

  // Answers every reply unless `answers` is above 0: then the terminal's
  // reply number `answers` goes unanswered. The terminal whose ID ends in
  // `drop_id` loses its connection when its reply number `drop_after` comes.
  explicit LoadHost(int answers = 0, std::string drop_id = "", int drop_after = 0)
      : answers_(answers), drop_id_(std::move(drop_id)), drop_after_(drop_after) {
    port_ = BindAnyPort(listener_);
    listen(listener_, 4096);
    thread_ = std::thread([this] { Run(); });
  }
  ~LoadHost() {
    stop_ = true;
    thread_.join();
    for (auto& [fd, c] : connections_) close(fd);
    close(listener_);
  }
  LoadHost(const LoadHost&) = delete;
  LoadHost& operator=(const LoadHost&) = delete;

  int port() const { return port_; }
  // Everything seen so far, by simulator ID.
  std::map<std::string, Seen> Terminals() {
    std::lock_guard lock(mutex_);
    std::map<std::string, Seen> all;
    for (auto& [fd, c] : connections_) all[c.seen.id] = c.seen;
    for (const Seen& s : closed_) all[s.id] = s;
    return all;
  }

  // Stored in slot 1 and shown; the header's word 0x20 empties the slot
  // first, or each new definition would extend the one before.
  static std::string Form() {
    return std::string("\x82\x80\xA0\x80\x80\x80") + "000" + "\\1T\\Data:\\@          \\\n";
  }

 private:
  struct Connection {
    std::string buffer;
    bool greeted = false;
    Seen seen;
  };

  void Send(int fd, Connection& c) {
    static const std::string form = Form();
    if (send(fd, form.data(), form.size(), MSG_NOSIGNAL) == ssize_t(form.size())) ++c.seen.screens;
  }

  // False when the connection is to be dropped.
  bool Take(int fd, Connection& c) {
    static const std::regex hello("^([^,]*,)P,Rows=\\d+,Cols=\\d+\\x00IP=([0-9.]+)");
    std::smatch m;
    if (!c.greeted) {
      if (!std::regex_search(c.buffer, m, hello)) return true;
      c.seen.id = m[1];
      c.seen.announced = m[2];
      c.buffer.erase(0, size_t(m.length(0)));
      c.greeted = true;
      Send(fd, c);
    }
    // A form reply: K\1\0\K, the field, \\w, a zero byte, F=NN, a zero byte.
    for (size_t end; (end = c.buffer.find(std::string("F=", 2))) != std::string::npos &&
                     end + 5 <= c.buffer.size();) {
      const size_t field = c.buffer.find("\\K");
      const size_t field_end = c.buffer.find("\\\\w");
      c.seen.replies.push_back(field < field_end && field_end < end
                                   ? c.buffer.substr(field + 2, field_end - field - 2)
                                   : "?" + c.buffer.substr(0, end));
      c.buffer.erase(0, end + 5);
      const int count = int(c.seen.replies.size());
      if (!drop_id_.empty() && c.seen.id == drop_id_ && count == drop_after_) return false;
      if (answers_ == 0 || count < answers_) Send(fd, c);
    }
    return true;
  }

  void Run() {
    while (!stop_) {
      std::vector<pollfd> fds{{listener_, POLLIN, 0}};
      {
        std::lock_guard lock(mutex_);
        for (auto& [fd, c] : connections_) fds.push_back({fd, POLLIN, 0});
      }
      if (poll(fds.data(), fds.size(), 50) <= 0) continue;
      std::lock_guard lock(mutex_);
      if (fds[0].revents != 0) {
        const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) {
          sockaddr_in peer{};
          socklen_t length = sizeof peer;
          getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length);
          connections_[fd].seen.peer = inet_ntoa(peer.sin_addr);
        }
      }
      for (size_t i = 1; i < fds.size(); ++i) {
        if (fds[i].revents == 0) continue;
        Connection& c = connections_[fds[i].fd];
        char bytes[8192];
        const ssize_t n = recv(fds[i].fd, bytes, sizeof bytes, 0);
        if (n > 0) c.buffer.append(bytes, size_t(n));
        if (n <= 0 || !Take(fds[i].fd, c)) {
          closed_.push_back(c.seen);
          close(fds[i].fd);
          connections_.erase(fds[i].fd);
        }
      }
    }
  }

  int answers_;
  std::string drop_id_;
  int drop_after_;
  int listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::map<int, Connection> connections_;
  std::vector<Seen> closed_;
  std::thread thread_;
};

}  // namespace marl::testing
