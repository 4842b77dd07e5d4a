#include "ui/sdl/sdl_platform.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/app_state.h"
#include "platform/messages.h"
#include "terminal.h"
#include "ui/core/recorder.h"
#include "ui/core/run_program.h"
#include "ui/core/window_input.h"
#include "ui/install_paths.h"
#include "ui/pixels/code_page.h"
#include "ui/pixels/glyph_atlas.h"

namespace marl {

namespace {

// The desktop's usual caret blink.
constexpr int32_t kBlinkMs = 530;
constexpr const char* kWindowTitle = "Corvanex Marlpoint Simulator";
// How often a wait for script input looks at it.
constexpr int32_t kInputPollMs = 5;
// X windows are at most this many pixels across.
constexpr int32_t kMaxWindowSide = 16384;

}  // namespace

void ShowPicture(SDL_Window* window, const Picture& picture, int32_t zoom) {
  SDL_Surface* target = SDL_GetWindowSurface(window);
  if (target == nullptr) return;
  SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 255, 255, 255));
  Picture scaled = picture.Scaled(zoom);
  if (!scaled.pixels.empty()) {
    SDL_Surface* source =
        SDL_CreateRGBSurfaceWithFormatFrom(scaled.pixels.data(), scaled.width, scaled.height, 32,
                                           scaled.width * 4, SDL_PIXELFORMAT_RGB888);
    if (source != nullptr) {
      SDL_BlitSurface(source, nullptr, target, nullptr);
      SDL_FreeSurface(source);
    }
  }
  SDL_UpdateWindowSurface(window);
}

namespace {

bool IsWindow(SDL_Window* window, uint32_t id) {
  return window != nullptr && SDL_GetWindowID(window) == id;
}

}  // namespace

SdlPlatform::SdlPlatform(int32_t zoom, bool mute) : zoom_(zoom), mute_(mute) {
  core_.set_client(this);
}

SdlPlatform::~SdlPlatform() {
  core_.set_client(nullptr);
  if (setup_ != nullptr) SDL_DestroyWindow(setup_);
  if (main_ != nullptr) SDL_DestroyWindow(main_);
  if (video_) SDL_Quit();
}

bool SdlPlatform::Open(std::string* error) {
  // The desktop's menu entry names this class (StartupWMClass), so the dock
  // and the window switcher show the window as marlsim's; a class the user
  // set in the environment stands.
  setenv("SDL_VIDEO_X11_WMCLASS", "marlsim", 0);
  setenv("SDL_VIDEO_WAYLAND_WMCLASS", "marlsim", 0);
  SDL_SetHint(SDL_HINT_APP_NAME, "marlsim");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    *error = std::string("no display: ") + SDL_GetError();
    return false;
  }
  video_ = true;
  std::string font_error;
  auto atlas = LoadGlyphs(&font_error);
  if (atlas == nullptr) {
    *error = font_error;
    return false;
  }
  core_.KeepPixels(atlas, zoom_);
  main_ = SDL_CreateWindow(kWindowTitle, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                           220 * zoom_, 208 * zoom_, SDL_WINDOW_HIDDEN);
  wake_event_ = SDL_RegisterEvents(1);
  if (main_ == nullptr || wake_event_ == uint32_t(-1)) {
    *error = std::string("cannot open a window: ") + SDL_GetError();
    return false;
  }
  // The installed icon; without it the desktop shows its own.
  const std::string icon_file = InstalledPath("share/marlsim/marlsim-icon.bmp");
  if (SDL_Surface* icon = icon_file.empty() ? nullptr : SDL_LoadBMP(icon_file.c_str())) {
    SDL_SetWindowIcon(main_, icon);
    SDL_FreeSurface(icon);
  }
  if (!mute_) {
    const std::string audio_error = beeper_.Open();
    beeper_ok_ = audio_error.empty();
    if (!beeper_ok_) {
      std::fprintf(stderr, "marlsim: no audio device (%s); beeps are silent\n",
                   audio_error.c_str());
    }
  }
  return true;
}

void SdlPlatform::AttachTo(EventLoop& loop) {
  loop_ = &loop;
  core_.AttachTo(loop);
  loop.set_waiter(this);
  ScheduleBlink();
}

void SdlPlatform::LaidOut(const WindowLayout& layout, const Rect& client) {
  // A screen without cells still gets a window one cell large.
  const int32_t width = std::min(std::max(client.Width(), kCellWidth) * zoom_, kMaxWindowSide);
  const int32_t height = std::min(std::max(client.Height(), kRowHeight) * zoom_, kMaxWindowSide);
  SDL_SetWindowSize(main_, width, height);
  SDL_SetWindowPosition(main_, layout.x, layout.y);
  if (!shown_) {
    SDL_ShowWindow(main_);
    shown_ = true;
  }
  size_warned_ = false;
}

bool SdlPlatform::DisplaySize(int32_t* width, int32_t* height) {
  SDL_DisplayMode mode{};
  if (SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0) {
    *width = mode.w;
    *height = mode.h;
    return true;
  }
  return false;
}

void SdlPlatform::CaretMoved() {
  // A caret that moves shows at once, as a desktop caret does.
  caret_on_ = true;
  next_blink_ = SDL_GetTicks64() + kBlinkMs;
}

std::optional<MessageBoxAnswer> SdlPlatform::AskMessageBox(const char* caption,
                                                           std::string_view text,
                                                           MessageBoxButtons buttons) {
  PresentIfDirty();
  const bool cancel = buttons == MessageBoxButtons::kOkCancel;
  const SDL_MessageBoxButtonData ok_only = {
      SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 1, "OK"};
  const SDL_MessageBoxButtonData both[2] = {{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "OK"},
                                            {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 2, "Cancel"}};
  // Without a caption the desktop's own default stands in.
  const std::string title = FromCodePage(caption != nullptr ? caption : "Error");
  const std::string message = FromCodePage(text);
  SDL_MessageBoxData data{};
  data.flags = SDL_MESSAGEBOX_INFORMATION;
  data.window = shown_ ? main_ : nullptr;
  data.title = title.c_str();
  data.message = message.c_str();
  data.numbuttons = cancel ? 2 : 1;
  data.buttons = cancel ? both : &ok_only;
  int hit = -1;
  // On X the box is shown by a child process of SDL's; one that failed
  // (a busy machine, a connection refused) gets a second chance before the
  // box is given up.
  if (SDL_ShowMessageBox(&data, &hit) != 0 && SDL_ShowMessageBox(&data, &hit) != 0) {
    std::fprintf(stderr, "marlsim: %s: %s (no box could be shown: %s)\n", title.c_str(),
                 message.c_str(), SDL_GetError());
    hit = 1;
  }
  // Closing a box that has Cancel cancels it.
  return cancel && hit != 1 ? MessageBoxAnswer::kCancel : MessageBoxAnswer::kOk;
}

void SdlPlatform::Refused(const std::string& line) {
  if (main_ == nullptr || loop_ == nullptr) return;
  SDL_SetWindowTitle(main_, ("marlsim: " + line).c_str());
  if (title_timer_ != 0) loop_->RemoveTimer(title_timer_);
  title_timer_ = loop_->AddTimer(EventLoop::Clock::now() + std::chrono::seconds(4), [this] {
    title_timer_ = 0;
    if (main_ != nullptr) SDL_SetWindowTitle(main_, kWindowTitle);
  });
}

void SdlPlatform::SayConnectFailed(const std::string& reason) {
  if (main_ == nullptr) return;
  SDL_SetWindowTitle(main_, ("marlsim: " + reason).c_str());
  core_.MessageBox("Corvanex Marlpoint Simulator", "Failed to Connect!", MessageBoxButtons::kOk);
}

bool SdlPlatform::SetupWindowOpened(const Rect& frame) {
  setup_ = SDL_CreateWindow("Marlpoint Simulator Screen Setup", frame.left, frame.top,
                            frame.Width() * zoom_, frame.Height() * zoom_, SDL_WINDOW_SHOWN);
  if (setup_ == nullptr) return false;
  SDL_RaiseWindow(setup_);
  return true;
}

void SdlPlatform::SetupWindowClosed() {
  if (setup_ != nullptr) SDL_DestroyWindow(setup_);
  setup_ = nullptr;
}

void SdlPlatform::Beep(int32_t hz, int32_t ms) {
  if (beeper_ok_ && !mute_) beeper_.Start(hz, ms);
  // The desktop's beep returns once the tone has played; a silent one takes
  // as long.
  WaitPainted(ms);
  for (int i = 0; i < 60 && beeper_ok_ && beeper_.QueuedMs() > 0; ++i) WaitPainted(5);
}

void SdlPlatform::Pause(int32_t ms) {
  WaitPainted(ms);
}

void SdlPlatform::WaitPainted(int32_t ms) {
  const uint64_t deadline = SDL_GetTicks64() + uint64_t(std::max(ms, 0));
  for (;;) {
    SDL_PumpEvents();
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_WINDOWEVENT, SDL_WINDOWEVENT) > 0) {
      if (e.window.event == SDL_WINDOWEVENT_CLOSE && IsWindow(main_, e.window.windowID)) {
        close_requested_ = true;
      } else {
        Changed();
      }
    }
    Blink();
    PresentIfDirty();
    const uint64_t now = SDL_GetTicks64();
    if (now >= deadline) return;
    SDL_Delay(uint32_t(std::min<uint64_t>(deadline - now, 10)));
  }
}

void SdlPlatform::Blink() {
  const uint64_t now = SDL_GetTicks64();
  if (now >= next_blink_) {
    caret_on_ = !caret_on_;
    next_blink_ = now + kBlinkMs;
    Changed();
  }
}

void SdlPlatform::ScheduleBlink() {
  if (loop_ == nullptr) return;
  const uint64_t now = SDL_GetTicks64();
  const auto left = std::chrono::milliseconds(next_blink_ > now ? next_blink_ - now : 0);
  loop_->AddTimer(EventLoop::Clock::now() + left, [this] {
    Blink();
    ScheduleBlink();
  });
}

void SdlPlatform::PresentIfDirty() {
  if (dirty_) Present();
}

void SdlPlatform::Present() {
  dirty_ = false;
  if (main_ != nullptr && shown_) {
    ShowPicture(main_, core_.MainPicture(caret_on_ && setup_ == nullptr), zoom_);
  }
  if (setup_ != nullptr) ShowPicture(setup_, core_.SetupPicture(caret_on_), zoom_);
}

void SdlPlatform::Wake() {
  if (wake_event_ == 0 || wake_event_ == uint32_t(-1)) return;
  SDL_Event e{};
  e.type = wake_event_;
  SDL_PushEvent(&e);
}

int SdlPlatform::Wait(pollfd* fds, size_t count, int timeout_ms) {
  if (close_requested_) {
    close_requested_ = false;
    core_.CloseMainWindow();
    return 0;
  }
  PresentIfDirty();
  const int ready = poll(fds, count, 0);
  if (ready != 0) return ready;
  // A script's input is not one of SDL's events: it is looked at often.
  if (count > 0 && (timeout_ms < 0 || timeout_ms > kInputPollMs)) timeout_ms = kInputPollMs;
  SDL_Event e;
  const int got = timeout_ms < 0 ? SDL_WaitEvent(&e) : SDL_WaitEventTimeout(&e, timeout_ms);
  if (got != 0) {
    do {
      Handle(e);
    } while (SDL_PollEvent(&e) != 0);
  }
  PresentIfDirty();
  return count > 0 ? poll(fds, count, 0) : 0;
}

void SdlPlatform::Handle(const SDL_Event& e) {
  // A host chunk is handled after the wait, by the loop.
  if (e.type == wake_event_ || Ending()) return;
  switch (e.type) {
    case SDL_QUIT:
      core_.CloseMainWindow();
      break;
    case SDL_WINDOWEVENT:
      HandleWindow(e.window);
      break;
    case SDL_KEYDOWN:
      HandleKey(e.key);
      break;
    case SDL_TEXTINPUT:
      HandleText(e.text.text);
      break;
    case SDL_MOUSEBUTTONDOWN:
      HandleMouse(e.button);
      break;
    default:
      return;
  }
  if (recorder_ != nullptr) recorder_->Delivered();
}

int RunOn(SdlPlatform& window, const ProgramOptions& options) {
  EventLoop loop;
  window.AttachTo(loop);
  auto terminal = std::make_unique<Terminal>(&window.core());
  RunHooks hooks;
  // The window stays with the person after the script's end.
  hooks.at_end_of_input = [] {};
  Recorder recorder;
  if (!options.record.empty()) {
    const std::string why = recorder.Open(options.record, "in the window");
    if (!why.empty()) {
      std::fprintf(options.diagnostics, "marlsim: %s\n", why.c_str());
      return 1;
    }
    recorder.Watch(*terminal, window.core());
    window.set_recorder(&recorder);
  }
  const int status = RunProgram(*terminal, window.core(), loop, options, hooks);
  if (recorder.open()) {
    window.set_recorder(nullptr);
    const std::string why = recorder.Close();
    if (!why.empty()) std::fprintf(options.diagnostics, "marlsim: --record: %s\n", why.c_str());
  }
  return status;
}

}  // namespace marl
