// What a front end adds to the core: its face. The core keeps the windows'
// model, the event log and the host hand-over, and tells its client what
// changed and what to show, play or ask; a client implements only what its
// face has (the headless front end has none). All calls but Wake come on
// the main thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace marl {

class CoreClient {
 public:
  virtual ~CoreClient() = default;

  // The cells, the caret, an edit field or the setup window changed: show
  // them before the next wait.
  virtual void Changed() {}
  // The main window was laid out; `client` is its new client area.
  virtual void LaidOut(const WindowLayout& /*layout*/, const Rect& /*client*/) {}
  // The display's size in pixels; false where the core's default stands.
  virtual bool DisplaySize(int32_t* /*width*/, int32_t* /*height*/) { return false; }
  // The caret moved: a blinking caret shows at once.
  virtual void CaretMoved() {}
  // A message box a person answers; nullopt where nobody does (the core
  // answers as the script said).
  virtual std::optional<MessageBoxAnswer> AskMessageBox(const char* /*caption*/,
                                                        std::string_view /*text*/,
                                                        MessageBoxButtons /*buttons*/) {
    return std::nullopt;
  }
  // The setup window opens (false: it cannot be shown) or closes.
  virtual bool SetupWindowOpened(const Rect& /*frame*/) { return true; }
  virtual void SetupWindowClosed() {}
  // A tone and a pause, after the core has recorded them; they return when
  // the face is done with them.
  virtual void Beep(int32_t /*hz*/, int32_t /*ms*/) {}
  virtual void Pause(int32_t /*ms*/) {}
  // The program wrote to its standard output.
  virtual void Printed(std::string_view /*text*/) {}
  // The terminal refused a host record: a line a face shows for a while
  // (the event log has the record's bytes too).
  virtual void Refused(const std::string& /*line*/) {}
  // Receive thread: a host chunk waits or the host has closed; a face whose
  // own event queue is not a descriptor wakes itself here.
  virtual void Wake() {}
};

}  // namespace marl
