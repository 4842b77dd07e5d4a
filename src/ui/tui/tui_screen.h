// The text terminal as curses drives it: opened in raw mode with the keypad,
// a short escape delay and the mouse where the terminal has one; restored
// when closed, and also when a crash signal ends the program.
#pragma once

#include <memory>
#include <string>

namespace marl {

class TuiScreen {
 public:
  // Null, with the reason in `error`, when standard input and output are not
  // a terminal or no terminal description fits. A usable but degraded
  // terminal (an unknown TERM run as vt100, no mouse) opens, with what is
  // missing in notice().
  static std::unique_ptr<TuiScreen> Open(std::string* error);
  ~TuiScreen();
  TuiScreen(const TuiScreen&) = delete;
  TuiScreen& operator=(const TuiScreen&) = delete;

  // Readable after the terminal changed its size; Resize() then takes it.
  int resize_fd() const;
  void Resize();
  // The text terminal's size in cells.
  int height() const;
  int width() const;
  // Wide characters can be shown (a UTF-8 locale).
  bool unicode() const { return unicode_; }
  bool mouse() const { return mouse_; }
  const std::string& notice() const { return notice_; }
  // The terminal's bell, at most one every quarter second.
  void Bell();

 private:
  TuiScreen() = default;

  void* screen_ = nullptr;  // curses' SCREEN
  bool unicode_ = false;
  bool mouse_ = false;
  std::string notice_;
  long long last_bell_ms_ = -1000000;
};

}  // namespace marl
