#include "link/connection.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "base/guarded_alloc.h"
#include "link/command_line.h"
#include "link/receive.h"
#include "link/trace.h"
#include "platform/messages.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr const char* kCaption = "Corvanex Marlpoint Simulator";
constexpr char kFailedToConnect[] = "Failed to Connect!";

// Waits until the socket takes more bytes. 1 ready, 0 time-out, -1 error.
int WaitWritable(int socket, int32_t timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    pollfd p{socket, POLLOUT, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    const int result = poll(&p, 1, left.count() > 0 ? int(left.count()) : 0);
    if (result < 0 && errno == EINTR) continue;
    return result;
  }
}

void ShowFailedToConnect(Terminal& t) {
  DrawRequest& q = t.screen.draw;
  const int32_t length = int32_t(sizeof kFailedToConnect) - 1;
  char* text = GuardedCopy(t, kFailedToConnect, length, "MrpDazAre");
  if (text == nullptr) return;
  GuardedFree(t, q.text, "MrpDazAre");
  q.row = t.screen.rows / 2;
  // A screen narrower than the message shows its start.
  q.column = t.screen.columns >= length ? (t.screen.columns - length) / 2 : 0;
  q.text = text;
  q.length = length;
  q.attribute = kAttrBold;
  t.platform->SendMessage(kWmDrawText, reinterpret_cast<uintptr_t>(&q), 0);
}

bool OnLoopback(uint32_t address) {
  return (ntohl(address) >> 24) == 127;
}

// Binds the socket to the terminal's own loopback address and makes that the
// address its power-up announces. False when the address cannot be had.
bool BindSourceAddress(Terminal& t, int fd) {
  sockaddr_in source{};
  source.sin_family = AF_INET;
  source.sin_addr.s_addr = t.link.source_address;
  if (bind(fd, reinterpret_cast<const sockaddr*>(&source), sizeof source) != 0) return false;
  inet_ntop(AF_INET, &source.sin_addr, t.link.resolved_address, INET_ADDRSTRLEN);
  return true;
}

void CloseSocket(Terminal& t) {
  if (t.link.socket < 0) return;
  if (t.link.capture != nullptr) t.link.capture->Closed(t.link.capture_stream);
  close(t.link.socket);
  t.link.socket = -1;
}

}  // namespace

uint32_t ConnectToHost(Terminal& t, char* command_line) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    t.platform->MessageBox(kCaption, "Failure in call to socket", MessageBoxButtons::kOk);
    return kLinkFailure;
  }
  t.link.socket = fd;
  t.link.endpoint = DefaultEndpoint();
  ClearScreen(t);
  ParseCommandLine(t, command_line, t.link.endpoint);
  // Every send is one whole message, and the host waits for each: holding
  // small ones back until the last is acknowledged only delays them.
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  if (t.link.socket_send_buffer > 0) {
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &t.link.socket_send_buffer,
               sizeof t.link.socket_send_buffer);
  }

  // A host elsewhere sees the machine's own address; it cannot be reached
  // from a loopback one.
  const bool bound = t.link.source_address == 0 || !OnLoopback(t.link.endpoint.address) ||
                     BindSourceAddress(t, fd);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = t.link.endpoint.address;
  address.sin_port = t.link.endpoint.port;
  if (bound && connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    t.link.shut_down.store(false);
    if (t.link.capture != nullptr) t.link.capture->Connected(t.link.capture_stream, fd);
    return 0;
  }
  t.link.connect_error = errno;
  shutdown(fd, SHUT_WR);
  CloseSocket(t);
  ShowFailedToConnect(t);
  t.platform->Sleep(1500);
  return kLinkFailure;
}

int32_t SendWithTimeout(Terminal& t, int32_t length, const char* bytes, uint32_t timeout_ms) {
  LinkState& link = t.link;
  link.send_timeout = timeout_ms;
  std::memset(link.send_buffer, 0, sizeof link.send_buffer);
  if (length < 0 || bytes == nullptr) length = 0;
  if (length > kSendBufferSize - 1) length = kSendBufferSize - 1;
  if (length > 0) std::memcpy(link.send_buffer, bytes, size_t(length));
  link.send_buffer[length] = 0;
  link.send_length = length;
  if (link.capture_sends) {
    link.sent.append(link.send_buffer, size_t(length));
    if (link.socket < 0) {
      TraceBytes(link.trace, "send", link.send_buffer, length);
      return 0;
    }
  }

  TraceBytes(link.trace, "send", link.send_buffer, length);
  t.platform->NoteSend(std::string_view(link.send_buffer, size_t(length)));

  // Without a socket there is nothing to wait for, and the send fails.
  const int ready =
      link.socket >= 0 ? WaitWritable(link.socket, int32_t(timeout_ms / 1000) * 1000) : -1;
  if (ready == 0) {
    TraceBytes(link.trace, "send waits: the socket is full", nullptr, 0);
    t.platform->MessageBox("Warning", "Send timeout", MessageBoxButtons::kOk);
  }

  // Kept before it goes, so that the host's answer can never come first in
  // the capture; a send that fails leaves the connection of no more use.
  if (link.capture != nullptr && link.socket >= 0 && length > 0) {
    link.capture->Data(link.capture_stream, kTerminalEnd, link.send_buffer, size_t(length));
  }
  ssize_t result = -1;
  // Once the wait is over the send blocks until it completes or fails: a
  // host that stalls and then reads again loses nothing.
  if (link.socket >= 0) {
    do {
      result = send(link.socket, link.send_buffer, size_t(length), MSG_NOSIGNAL);
    } while (result < 0 && errno == EINTR);
  }
  if (result < 0) {
    char note[96];
    std::snprintf(note, sizeof note, "send failed: %s", std::strerror(errno));
    TraceBytes(link.trace, note, nullptr, 0);
    t.platform->MessageBox("Error", "Send Error!", MessageBoxButtons::kOk);
  } else if (result < length) {
    char note[96];
    std::snprintf(note, sizeof note, "send cut short: %d of %d bytes went", int(result),
                  int(length));
    TraceBytes(link.trace, note, nullptr, 0);
  }
  return 0;
}

void Disconnect(Terminal& t) {
  t.link.stop.store(1);
  if (t.link.socket < 0) return;
  // Shutting down both ways wakes a receive thread blocked on the socket;
  // closing alone would not. The socket itself is closed once that thread
  // is done with it, so its number cannot be reused under the thread.
  t.link.shut_down.store(true);
  shutdown(t.link.socket, SHUT_RDWR);
  if (!t.link.receiver.joinable()) CloseSocket(t);
}

void StartReceiveThread(Terminal& t) {
  if (t.link.socket < 0 || t.link.receiver.joinable()) return;
  t.link.stop.store(0);
  t.link.receiver = std::thread([&t] { ReceiveLoop(t); });
}

void FinishReceiveThread(Terminal& t) {
  if (t.link.receiver.joinable()) {
    t.link.stop.store(1);
    t.link.shut_down.store(true);
    if (t.link.socket >= 0) shutdown(t.link.socket, SHUT_RDWR);
    t.link.receiver.join();
  }
  CloseSocket(t);
}

void ReleaseLink(Terminal& t) {
  FinishReceiveThread(t);
  GuardedFree(t, t.link.simulator_id, "MrpDazAre");
  t.link.simulator_id = nullptr;
}

}  // namespace marl
