// The desktop window: the headless platform's model of the windows (cells,
// pixels, edit fields, events, the host-data hand-over) shown in real SDL
// windows, with the keyboard, mouse, beeper and message boxes of the
// desktop. Every pixel comes from the shared painter, so the window and a
// headless snapshot of the same session are the same.
#pragma once

#include <SDL2/SDL.h>

#include <cstdint>
#include <string>

#include "ui/headless/headless_platform.h"
#include "ui/sdl/sdl_beeper.h"

namespace marl {

// Shows a picture in a window, each pixel a zoom x zoom block.
void ShowPicture(SDL_Window* window, const Picture& picture, int32_t zoom);

class SdlPlatform : public HeadlessPlatform {
 public:
  SdlPlatform(int32_t zoom, bool mute);
  ~SdlPlatform() override;

  // Opens the (hidden) main window and the beeper; false with `error` set
  // when there is no display or no font. A missing audio device only makes
  // the beeps silent.
  bool Open(std::string* error);

  bool DrawText(const TextDraw& draw) override;
  void EraseClient() override;
  Rect LayoutWindow(const WindowLayout& layout) override;
  void DisplaySize(int32_t* width, int32_t* height) override;
  void CreateCaret(int32_t width, int32_t height) override;
  void SetCaretPos(int32_t x, int32_t y) override;
  void ShowCaret() override;
  void HideCaret() override;
  MessageBoxAnswer MessageBox(const char* caption, std::string_view text,
                              MessageBoxButtons buttons) override;
  void SetEditFieldText(int32_t id, std::string_view text) override;
  void FocusEditField(int32_t id) override;
  void TypeIntoEditField(char c) override;
  bool CreateSetupWindow(const Rect& frame) override;
  bool DestroySetupWindow() override;
  void Beep(int32_t hz, int32_t ms) override;
  void Sleep(int32_t ms) override;

  // After a failed connection: the reason in the window's title, and the
  // "Failed to Connect!" box until a person answers it.
  void SayConnectFailed(const std::string& reason);

  void PumpEvents(int32_t ms) override;
  bool WaitForInput(int input) override;
  bool QuitsAtEndOfInput() const override { return false; }

 protected:
  void OnWake() override;

 private:
  // Handles one event; true when it handed a host chunk to the terminal.
  bool Handle(const SDL_Event& e);
  // Handles every queued event, waiting up to `ms` for the first (-1: no
  // limit but the caret's next blink); returns how many, with `chunk` set
  // when a host chunk was handled.
  int HandleEvents(int32_t ms, bool* chunk);
  bool Ending() const;
  void HandleKey(const SDL_KeyboardEvent& key);
  void HandleText(const char* utf8);
  void HandleMouse(const SDL_MouseButtonEvent& button);
  void HandleWindow(const SDL_WindowEvent& window);
  // Types text as characters, as if the keys had been pressed.
  void Paste(const char* utf8);
  // The scan entry box: a line typed and delivered as one scan.
  void ScanBox();
  void CloseMainWindow();
  // Lets `ms` pass with the windows painted, as a paused program's windows
  // still are; input and host data wait.
  void WaitPainted(int32_t ms);
  void Present();
  void PresentIfDirty();
  // Time to the caret's next blink; flips it when due.
  int32_t BlinkMs();
  void Changed() { dirty_ = true; }

  int32_t zoom_ = 1;
  bool mute_ = false;
  bool video_ = false;
  SDL_Window* main_ = nullptr;
  SDL_Window* setup_ = nullptr;
  uint32_t wake_event_ = 0;
  bool dirty_ = true;
  bool shown_ = false;
  bool caret_on_ = true;
  uint64_t next_blink_ = 0;
  // Text input that follows a key already handled (Alt+S, Ctrl+letters).
  bool swallow_text_ = false;
  bool close_requested_ = false;
  bool size_warned_ = false;
  SdlBeeper beeper_;
  bool beeper_ok_ = false;
};

}  // namespace marl
