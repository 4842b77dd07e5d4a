#include "ui/sdl/sdl_beeper.h"

#include <SDL2/SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <vector>

namespace marl {
namespace {

void IgnoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

// On a machine without a sound card (CI, containers, SSH sessions) libasound
// prints eight lines of its own to standard error before SDL gives up, and
// SDL's one-line reason says it all. SDL loads libasound at run time, so the
// handler is set in that same library; it stays loaded for SDL's use.
void QuietAlsa() {
  void* alsa = dlopen("libasound.so.2", RTLD_LAZY);
  if (alsa == nullptr) return;
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  auto set_handler = reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler"));
  if (set_handler != nullptr) set_handler(&IgnoreAlsaError);
}

}  // namespace

SdlBeeper::~SdlBeeper() {
  if (device_ != 0) SDL_CloseAudioDevice(device_);
}

std::string SdlBeeper::Open() {
  QuietAlsa();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return SDL_GetError();
  SDL_AudioSpec want{};
  want.freq = 48000;
  want.format = AUDIO_S16SYS;
  want.channels = 1;
  want.samples = 1024;
  SDL_AudioSpec have{};
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device_ == 0) return SDL_GetError();
  rate_ = have.freq;
  SDL_PauseAudioDevice(device_, 0);
  return "";
}

void SdlBeeper::Start(int32_t hz, int32_t ms) {
  if (device_ == 0 || hz < 37 || hz > 32767 || ms <= 0) return;
  const int64_t count = int64_t(rate_) * ms / 1000;
  std::vector<int16_t> samples(static_cast<size_t>(count));
  const int64_t half = std::max<int64_t>(1, rate_ / (2 * int64_t(hz)));
  for (int64_t i = 0; i < count; ++i) samples[size_t(i)] = (i / half) % 2 == 0 ? 6000 : -6000;
  SDL_QueueAudio(device_, samples.data(), uint32_t(samples.size() * sizeof(int16_t)));
}

int32_t SdlBeeper::QueuedMs() const {
  if (device_ == 0 || rate_ == 0) return 0;
  return int32_t(int64_t(SDL_GetQueuedAudioSize(device_)) / 2 * 1000 / rate_);
}

}  // namespace marl
