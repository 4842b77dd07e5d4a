#include "link/receive.h"

#include <sys/socket.h>

#include <cerrno>

#include "link/trace.h"
#include "terminal.h"

namespace marl {

namespace {

// Errors that will come back on every read: the socket is of no more use.
bool Lasting(int error) {
  return error == EBADF || error == ENOTSOCK || error == ENOTCONN || error == EINVAL ||
         error == EFAULT;
}

}  // namespace

const char* PrefixChunk(char* buffer, int32_t n, int32_t* length) {
  if (buffer[1] == 'D') {
    buffer[0] = 'W';
    *length = n + 1;
    return buffer;
  }
  *length = n;
  return buffer + 1;
}

int32_t ReceiveStep(Terminal& t, int socket, char* buffer) {
  ssize_t n;
  do {
    n = recv(socket, buffer + 1, kReceiveSize, 0);
  } while (n < 0 && errno == EINTR);
  if (n == 0 && t.link.capture != nullptr && !t.link.shut_down.load()) {
    t.link.capture->PeerClosed(t.link.capture_stream);
  }
  if (n <= 0) return int32_t(n < 0 ? -1 : 0);
  TraceBytes(t.link.trace, "recv", buffer + 1, int32_t(n));
  if (t.link.capture != nullptr) {
    t.link.capture->Data(t.link.capture_stream, kHostEnd, buffer + 1, size_t(n));
  }
  int32_t length = 0;
  const char* chunk = PrefixChunk(buffer, int32_t(n), &length);
  t.platform->HandOverHostData(chunk, length);
  return int32_t(n);
}

int32_t ReceiveLoop(Terminal& t) {
  // The socket stays open until this thread has been joined.
  const int socket = t.link.socket;
  char buffer[kReceiveBufferSize];
  // The read itself waits for the host: a readiness wait before it would
  // only add a system call to every chunk's way.
  while (t.link.stop.load() == 0) {
    const int32_t n = ReceiveStep(t, socket, buffer);
    if (n == 0) break;
    if (n < 0 && Lasting(errno)) break;
  }
  TraceBytes(t.link.trace, "closed", nullptr, 0);
  t.platform->HostClosed();
  return 0;
}

}  // namespace marl
