// The window's beeper: a square-wave tone of the asked frequency and length
// through SDL audio. Without an audio device every tone is silent.
#pragma once

#include <SDL2/SDL_audio.h>

#include <cstdint>
#include <string>

namespace marl {

class SdlBeeper {
 public:
  SdlBeeper() = default;
  ~SdlBeeper();
  SdlBeeper(const SdlBeeper&) = delete;
  SdlBeeper& operator=(const SdlBeeper&) = delete;

  // "" or why no device could be opened.
  std::string Open();
  // Starts the tone; the caller waits `ms` for it. Tones the device cannot
  // play (outside 37 to 32767 Hz, as the desktop's beeper) are silent.
  void Start(int32_t hz, int32_t ms);
  // Milliseconds of sound still queued.
  int32_t QueuedMs() const;

 private:
  SDL_AudioDeviceID device_ = 0;
  int rate_ = 0;
};

}  // namespace marl
