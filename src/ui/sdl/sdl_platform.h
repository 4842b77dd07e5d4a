// The desktop window: the core's windows (cells, pixels, edit fields,
// events, the host-data hand-over) shown in real SDL windows, with the
// keyboard, mouse, beeper and message boxes of the desktop. SDL's event
// queue is the event loop's wait; the caret's blink is one of its timers.
// Every pixel comes from the shared painter, so the window and a headless
// snapshot of the same session are the same.
#pragma once

#include <SDL2/SDL.h>

#include <cstdint>
#include <string>

#include "ui/core/core_client.h"
#include "ui/core/core_platform.h"
#include "ui/core/event_loop.h"
#include "ui/core/run_program.h"
#include "ui/sdl/sdl_beeper.h"

namespace marl {

class Recorder;

// Shows a picture in a window, each pixel a zoom x zoom block.
void ShowPicture(SDL_Window* window, const Picture& picture, int32_t zoom);

class SdlPlatform : public CoreClient, public EventLoop::Waiter {
 public:
  SdlPlatform(int32_t zoom, bool mute);
  ~SdlPlatform() override;
  SdlPlatform(const SdlPlatform&) = delete;
  SdlPlatform& operator=(const SdlPlatform&) = delete;

  // Opens the (hidden) main window and the beeper; false with `error` set
  // when there is no display or no font. A missing audio device only makes
  // the beeps silent. (The window program's entry keeps this shape.)
  bool Open(std::string* error);
  CorePlatform& core() { return core_; }
  // Makes SDL's events the wait of `loop`, and the caret's blink a timer.
  void AttachTo(EventLoop& loop);

  void Changed() override { dirty_ = true; }
  void LaidOut(const WindowLayout& layout, const Rect& client) override;
  bool DisplaySize(int32_t* width, int32_t* height) override;
  void CaretMoved() override;
  std::optional<MessageBoxAnswer> AskMessageBox(const char* caption, std::string_view text,
                                                MessageBoxButtons buttons) override;
  bool SetupWindowOpened(const Rect& frame) override;
  void SetupWindowClosed() override;
  void Beep(int32_t hz, int32_t ms) override;
  void Pause(int32_t ms) override;
  void Wake() override;
  // The refusal in the window's title for a few seconds.
  void Refused(const std::string& line) override;

  int Wait(pollfd* fds, size_t count, int timeout_ms) override;

  // The person's inputs are recorded there too (null: not recorded).
  void set_recorder(Recorder* recorder) { recorder_ = recorder; }

  // After a failed connection: the reason in the window's title, and the
  // "Failed to Connect!" box until a person answers it.
  void SayConnectFailed(const std::string& reason);

 private:
  Terminal& terminal() { return *core_.terminal(); }
  bool Ending() const { return core_.Ending(); }
  void Handle(const SDL_Event& e);
  void HandleKey(const SDL_KeyboardEvent& key);
  void HandleText(const char* utf8);
  void HandleMouse(const SDL_MouseButtonEvent& button);
  void HandleWindow(const SDL_WindowEvent& window);
  // One character or key as the person gave it: recorded, then delivered.
  void DeliverCharacter(unsigned char c, bool shift);
  void DeliverKey(uint32_t message, uint32_t virtual_key);
  // Types text as characters, as if the keys had been pressed.
  void Paste(const char* utf8);
  // The scan entry box: a line typed and delivered as one scan.
  void ScanBox();
  // Lets `ms` pass with the windows painted, as a paused program's windows
  // still are; input and host data wait.
  void WaitPainted(int32_t ms);
  void Present();
  void PresentIfDirty();
  // Flips the caret when its blink is due.
  void Blink();
  void ScheduleBlink();

  CorePlatform core_;
  EventLoop* loop_ = nullptr;
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
  int64_t title_timer_ = 0;
  SdlBeeper beeper_;
  bool beeper_ok_ = false;
  Recorder* recorder_ = nullptr;
};

// The program in the window `window` has opened.
int RunOn(SdlPlatform& window, const ProgramOptions& options);

}  // namespace marl
