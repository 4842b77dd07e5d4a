// The program's entry, in the order the terminal must start: the
// single-instance guard, the settings, the main window, the connection, and
// everything that follows the connection up to the power-up announcement.
// The front end owns the message loop that runs afterwards.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
class PacketCapture;

struct StartOptions {
  // A size given on the front end's own command line, applied as if the
  // settings file had given it, after the file was read; 0 for none.
  int32_t rows = 0;
  int32_t columns = 0;
  // Many terminals in one process (the load driver): no single-instance
  // guard, and no receive thread, because the front end waits on the socket
  // itself and runs the receive step when it is readable.
  bool many = false;
  // Not owned: where the connection's packets are captured, or null.
  PacketCapture* capture = nullptr;
};

enum class StartResult {
  kRunning,        // the message loop may run
  kOtherInstance,  // another copy runs without options: end at once, silently
  kEnded,          // the window was closed during start-up
  kFailed,         // no connection; the reason was shown
};

// `command_line` is the terminal's own (the text after the program name); it
// is cut up in place.
StartResult StartProgram(Terminal& t, char* command_line, const StartOptions& options);
// Steps after a successful connect: subsystems, grid, caret, splash and
// tune, the receive thread, the simulator ID and the power-up.
void StartAfterConnect(Terminal& t);
// The same without the receive thread: the caller reads the socket.
void StartAfterConnectWithoutReceiveThread(Terminal& t);
// After the message loop: the receive thread is waited for and the
// connection closed. The platform must have stopped taking host data.
void EndProgram(Terminal& t);

}  // namespace marl
