// What the main window keeps: its layout, the buffer host chunks land in,
// the single-instance lock, and the screen setup window while it is open.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace marl {

struct Terminal;

constexpr int32_t kHostDataBufferSize = 4002;
// The host-data buffer's first bytes, which key messages share as the key
// word: the character, then the scan code.
constexpr int32_t kKeyWordSize = 2;
constexpr int32_t kSettingsPathSize = 512;

struct SetupWindowState {
  bool open = false;
  // Enter or Esc has ended the window's loop.
  bool done = false;
  // The focus ring: COLS, then ROWS; the platform's field ids.
  int32_t fields[2] = {};
  int32_t focus = 0;  // index into fields
};

struct AppState {
  int32_t display_width = 0;
  int32_t display_height = 0;
  Rect client;  // after the last layout
  int32_t client_width = 0;
  int32_t client_height = 0;
  // The host-data buffer as it outlives a chunk: its first bytes, the key
  // word. A chunk lands whole in the buffer of the thread that handles it
  // (HandleHostData), and only these bytes of it stay with the terminal: a
  // load run's thousands of terminals do not each keep 4 KB for the chunk
  // being handled.
  char host_data[kKeyWordSize] = {};
  int32_t host_data_length = 0;
  // Held while this copy is the one instance started without options.
  int instance_lock = -1;
  // The settings file; the current directory's unless a test points
  // elsewhere.
  char settings_path[kSettingsPathSize] = "vozido.ini";
  SetupWindowState setup;
  // The main window has been destroyed or the program ended itself: the
  // start-up goes no further.
  bool ending = false;
};

// The app's state for the terminal, made on first use and released with
// the terminal, which carries it without knowing what it is.
AppState& App(Terminal& t);
// Before first use: the state of a fresh window.
const AppState& App(const Terminal& t);

}  // namespace marl
