// The receive side of the connection. The receive step (one read, the 'D'
// prefix, the hand-over) stands alone so that a driver that waits on many
// sockets itself can run it whenever a socket is readable.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;

// `buffer` holds kReceiveBufferSize bytes, and n > 0 bytes were received at
// buffer + 1. A chunk that starts with 'D' gets a 'W' in front of it, so the
// preparser reads it as a display record. Returns the chunk's first byte and
// its length in *length.
const char* PrefixChunk(char* buffer, int32_t n, int32_t* length);

// One read of at most kReceiveSize bytes from `socket` into `buffer`; a chunk
// read is prefixed and handed to the terminal's main thread, and this returns
// once it has been handled. Returns what recv returned: 0 when the host has
// closed the connection, -1 on an error (nothing handed over).
int32_t ReceiveStep(Terminal& t, int socket, char* buffer);

// The receive thread's body: waits, reads and hands over until the host
// closes the connection or Disconnect stops it; then tells the platform.
int32_t ReceiveLoop(Terminal& t);

}  // namespace marl
