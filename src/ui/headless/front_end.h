// What the automation reader needs of a front end, whichever it is: deliver
// the window's messages, read what a person sees, let host data and the
// window's own events be handled while it waits, and take a picture. The
// headless front end implements it; the window front ends build on that.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace marl {

struct ViewCell {
  char byte = ' ';
  uint8_t attribute = 0;
};

// A window's cells at one moment. While the screen setup window is shown,
// `field_row` and `field_column` are the caret's cell in its focused field
// (-1 otherwise).
struct WindowView {
  int32_t rows = 0;
  int32_t columns = 0;
  std::vector<ViewCell> cells;
  int32_t field_row = -1;
  int32_t field_column = -1;
  const ViewCell& at(int32_t row, int32_t column) const {
    return cells[size_t(row) * size_t(columns) + size_t(column)];
  }
  // One row: bytes 0x20 to 0x7E as themselves, any other as '.'.
  std::string RowText(int32_t row) const;
};

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;

  // Delivering: the main window procedure, as the window's own events reach
  // it, and a character for the setup window's focused edit field.
  virtual intptr_t SendMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) = 0;
  virtual void TypeIntoEditField(char c) = 0;
  // How later OK/Cancel boxes are answered where no person answers them.
  virtual void set_message_box_answer(MessageBoxAnswer answer) = 0;

  // Reading: what a person sees (the setup window while it is open, else
  // the main window), the events recorded since the last call, and the
  // visible window's pixels as a PNG file ("" or the reason it failed).
  virtual WindowView VisibleWindow() const = 0;
  virtual std::vector<std::string> TakeEvents() = 0;
  virtual std::string Snapshot(const std::string& path) = 0;

  // Waiting, on the main thread. PumpEvents handles host chunks and the
  // window's own events for up to `ms`, returning early once a host chunk
  // has been handled. WaitForInput handles them until `input` is readable
  // (true) or something was handled (false); -1 waits for events only.
  virtual void PumpEvents(int32_t ms) = 0;
  virtual bool WaitForInput(int input) = 0;
  virtual bool host_closed() = 0;
  // Counts every host chunk handled since start.
  virtual uint64_t chunks_handled() const = 0;

  // The program is ending: it ended itself, or the main window is gone.
  virtual bool quit_requested() const = 0;
  virtual bool quit_posted() const = 0;
  // Whether the end of the command input closes the main window. A window
  // a person can use stays open until the person closes it.
  virtual bool QuitsAtEndOfInput() const { return true; }
};

}  // namespace marl
