// The one interface between the terminal and the outside world: the window,
// the beeper, the clock and the process. Every front end implements all of
// it; the terminal never sees which one it runs on.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace marl {

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
};

enum class CellFont { kNormal, kBold, kUnderlined, kBoldUnderlined };

// The windows text can go to: the main window, and the screen setup window
// while it is open.
constexpr int32_t kMainWindow = 0;
constexpr int32_t kSetupWindow = 1;

// One piece of text for the window. The text goes into `rect` (pixels,
// clipped to it, opaque background) starting at the cell (row, column); each
// character takes `cell_width` pixels.
struct TextDraw {
  Rect rect;
  int32_t row = 0;
  int32_t column = 0;
  int32_t cell_width = 11;
  CellFont font = CellFont::kNormal;
  bool reverse = false;
  std::string_view text;
  int32_t window = kMainWindow;
};

// Where the main window goes and how many cells its client area must show.
// `width` and `height` are the outer size the design computes; how they map
// onto a real window is the front end's business, but the client area must
// hold every cell.
struct WindowLayout {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t columns = 0;
  int32_t rows = 0;
};

enum class MessageBoxButtons { kOk, kOkCancel };
enum class MessageBoxAnswer { kOk, kCancel };

// A child edit control of the screen setup window.
struct EditFieldSpec {
  Rect rect;
  bool digits_only = false;
  std::string text;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Drawing. Returns false when the text could not be drawn.
  virtual bool DrawText(const TextDraw& draw) = 0;
  // Blanks the whole client area.
  virtual void EraseClient() = 0;
  virtual Rect ClientRect() = 0;
  // Moves and sizes the main window; returns the client rectangle after it.
  virtual Rect LayoutWindow(const WindowLayout& layout) = 0;
  virtual void DisplaySize(int32_t* width, int32_t* height) = 0;

  // The text caret, in client pixels.
  virtual void CreateCaret(int32_t width, int32_t height) = 0;
  virtual void SetCaretPos(int32_t x, int32_t y) = 0;
  virtual void ShowCaret() = 0;
  virtual void HideCaret() = 0;

  // A modal message box owned by the main window. A null caption means none
  // was given (the platform shows its default).
  virtual MessageBoxAnswer MessageBox(const char* caption, std::string_view text,
                                      MessageBoxButtons buttons) = 0;

  // Edit fields of the screen setup window; ids are the platform's, and an
  // id of 0 or less means the field could not be created.
  virtual int32_t CreateEditField(const EditFieldSpec& spec) = 0;
  virtual std::string EditFieldText(int32_t id) = 0;
  virtual void SetEditFieldText(int32_t id, std::string_view text) = 0;
  virtual void FocusEditField(int32_t id) = 0;
  virtual void DestroyEditField(int32_t id) = 0;

  // The screen setup window, a second top-level window at `frame` (display
  // pixels); its client area holds `frame`'s size. Edit fields and text with
  // kSetupWindow go into it. Create returns false when it could not be
  // created, Destroy when it could not be destroyed.
  virtual bool CreateSetupWindow(const Rect& frame) = 0;
  virtual bool DestroySetupWindow() = 0;
  // A modal window's own message loop, nested in the main one: events of
  // every window (input, host data, paint) are handled until `done` returns
  // true. Returns false when the program ends first (the main window was
  // closed, or input ended); the modal window then closes without effect.
  virtual bool RunNestedLoop(const std::function<bool()>& done) = 0;

  // Synchronous dispatch of a message to the main window procedure, as the
  // display driver's draw requests need.
  virtual intptr_t SendMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) = 0;

  // Called from the receive thread: hands a host chunk to the main thread and
  // returns once the main thread has handled it.
  virtual void HandOverHostData(const char* bytes, int32_t length) = 0;
  // Called from the receive thread when the host has closed the connection.
  virtual void HostClosed() = 0;

  virtual void Beep(int32_t hz, int32_t ms) = 0;
  virtual void Sleep(int32_t ms) = 0;
  // 100-ns units since 1601-01-01 (a file time).
  virtual uint64_t Now() = 0;

  // The program ends itself (a hot key, an allocator box answered OK). The
  // front end stops its loop after the current message.
  virtual void Quit(int exit_code) = 0;
  // Asks the event loop to end once the window is gone.
  virtual void PostQuitMessage() = 0;

  // The program's own standard-output writes.
  virtual void WriteStdout(std::string_view text) = 0;
  // Bytes handed to the host's socket, for a front end that shows them.
  virtual void NoteSend(std::string_view /*bytes*/) {}
  // The terminal refused a host record: `code` is one word (a status reply
  // such as K\\5, "dropped", or the text dialect's error), `meaning` what
  // it means, `head` the record's first bytes.
  virtual void NoteRefusal(std::string_view /*code*/, std::string_view /*meaning*/,
                           std::string_view /*head*/) {}
};

}  // namespace marl
