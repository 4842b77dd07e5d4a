// The TCP connection to the host: connecting at start-up, sending with a
// time limit, and ending the connection.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;

// Creates the socket, reads the command line (cut up in place) and connects.
// Returns 0, or kLinkFailure after showing why; the program then ends.
uint32_t ConnectToHost(Terminal& t, char* command_line);

// Sends `length` bytes in one call once the socket is writable, waiting at
// most timeout_ms / 1000 whole seconds. Failures are shown, never returned.
int32_t SendWithTimeout(Terminal& t, int32_t length, const char* bytes, uint32_t timeout_ms);

// No more sending or receiving; wakes the receive thread so it ends.
void Disconnect(Terminal& t);

// Starts ReceiveLoop on its own thread for the connected socket.
void StartReceiveThread(Terminal& t);
// Waits for the receive thread to end and closes the socket. The platform
// must no longer hold the thread in a hand-over.
void FinishReceiveThread(Terminal& t);
// Everything the link holds, at the end of the terminal's life.
void ReleaseLink(Terminal& t);

}  // namespace marl
