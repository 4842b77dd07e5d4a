#include "ui/sdl/sdl_platform.h"

#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/app_state.h"
#include "platform/messages.h"
#include "terminal.h"
#include "ui/headless/headless_main.h"
#include "ui/install_paths.h"
#include "ui/pixels/code_page.h"
#include "ui/pixels/glyph_atlas.h"

namespace marl {

namespace {

// The desktop's usual caret blink.
constexpr int32_t kBlinkMs = 530;
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

SdlPlatform::SdlPlatform(int32_t zoom, bool mute) : zoom_(zoom), mute_(mute) {}

SdlPlatform::~SdlPlatform() {
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
  KeepPixels(atlas, zoom_);
  main_ = SDL_CreateWindow("Corvanex Marlpoint Simulator", SDL_WINDOWPOS_UNDEFINED,
                           SDL_WINDOWPOS_UNDEFINED, 220 * zoom_, 208 * zoom_, SDL_WINDOW_HIDDEN);
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
    std::string audio_error;
    beeper_ok_ = beeper_.Open(&audio_error);
    if (!beeper_ok_) {
      std::fprintf(stderr, "marlsim: no audio device (%s); beeps are silent\n",
                   audio_error.c_str());
    }
  }
  return true;
}

bool SdlPlatform::Ending() const {
  const Terminal* t = terminal();
  return quit_posted() || quit_requested() || (t != nullptr && App(*t).ending);
}

bool SdlPlatform::DrawText(const TextDraw& draw) {
  Changed();
  return HeadlessPlatform::DrawText(draw);
}

void SdlPlatform::EraseClient() {
  Changed();
  HeadlessPlatform::EraseClient();
}

Rect SdlPlatform::LayoutWindow(const WindowLayout& layout) {
  const Rect client = HeadlessPlatform::LayoutWindow(layout);
  // A screen without cells still gets a window one cell large.
  const int32_t width = std::min(std::max(client.Width(), 11) * zoom_, kMaxWindowSide);
  const int32_t height = std::min(std::max(client.Height(), 13) * zoom_, kMaxWindowSide);
  SDL_SetWindowSize(main_, width, height);
  SDL_SetWindowPosition(main_, layout.x, layout.y);
  if (!shown_) {
    SDL_ShowWindow(main_);
    shown_ = true;
  }
  size_warned_ = false;
  Changed();
  return client;
}

void SdlPlatform::DisplaySize(int32_t* width, int32_t* height) {
  SDL_DisplayMode mode{};
  if (SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0) {
    *width = mode.w;
    *height = mode.h;
    return;
  }
  HeadlessPlatform::DisplaySize(width, height);
}

void SdlPlatform::CreateCaret(int32_t width, int32_t height) {
  HeadlessPlatform::CreateCaret(width, height);
  Changed();
}

void SdlPlatform::SetCaretPos(int32_t x, int32_t y) {
  HeadlessPlatform::SetCaretPos(x, y);
  // A caret that moves shows at once, as a desktop caret does.
  caret_on_ = true;
  next_blink_ = SDL_GetTicks64() + kBlinkMs;
  Changed();
}

void SdlPlatform::ShowCaret() {
  HeadlessPlatform::ShowCaret();
  Changed();
}

void SdlPlatform::HideCaret() {
  HeadlessPlatform::HideCaret();
  Changed();
}

MessageBoxAnswer SdlPlatform::MessageBox(const char* caption, std::string_view text,
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
  if (SDL_ShowMessageBox(&data, &hit) != 0) {
    std::fprintf(stderr, "marlsim: %s: %s\n", title.c_str(), message.c_str());
    hit = 1;
  }
  // Closing a box that has Cancel cancels it.
  const MessageBoxAnswer answer =
      cancel && hit != 1 ? MessageBoxAnswer::kCancel : MessageBoxAnswer::kOk;
  RecordMessageBox(caption, text, buttons, answer);
  Changed();
  return answer;
}

void SdlPlatform::SayConnectFailed(const std::string& reason) {
  if (main_ == nullptr) return;
  SDL_SetWindowTitle(main_, ("marlsim: " + reason).c_str());
  MessageBox("Corvanex Marlpoint Simulator", "Failed to Connect!", MessageBoxButtons::kOk);
}

void SdlPlatform::SetEditFieldText(int32_t id, std::string_view text) {
  HeadlessPlatform::SetEditFieldText(id, text);
  Changed();
}

void SdlPlatform::FocusEditField(int32_t id) {
  HeadlessPlatform::FocusEditField(id);
  Changed();
}

void SdlPlatform::TypeIntoEditField(char c) {
  HeadlessPlatform::TypeIntoEditField(c);
  Changed();
}

bool SdlPlatform::CreateSetupWindow(const Rect& frame) {
  if (!HeadlessPlatform::CreateSetupWindow(frame)) return false;
  setup_ = SDL_CreateWindow("Marlpoint Simulator Screen Setup", frame.left, frame.top,
                            frame.Width() * zoom_, frame.Height() * zoom_, SDL_WINDOW_SHOWN);
  if (setup_ == nullptr) {
    HeadlessPlatform::DestroySetupWindow();
    return false;
  }
  SDL_RaiseWindow(setup_);
  Changed();
  return true;
}

bool SdlPlatform::DestroySetupWindow() {
  if (setup_ != nullptr) SDL_DestroyWindow(setup_);
  setup_ = nullptr;
  Changed();
  return HeadlessPlatform::DestroySetupWindow();
}

void SdlPlatform::Beep(int32_t hz, int32_t ms) {
  HeadlessPlatform::Beep(hz, ms);
  if (beeper_ok_ && !mute_) beeper_.Start(hz, ms);
  // The desktop's beep returns once the tone has played; a silent one takes
  // as long.
  WaitPainted(ms);
  for (int i = 0; i < 60 && beeper_ok_ && beeper_.QueuedMs() > 0; ++i) WaitPainted(5);
}

void SdlPlatform::Sleep(int32_t ms) {
  HeadlessPlatform::Sleep(ms);
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
    BlinkMs();
    PresentIfDirty();
    const uint64_t now = SDL_GetTicks64();
    if (now >= deadline) return;
    SDL_Delay(uint32_t(std::min<uint64_t>(deadline - now, 10)));
  }
}

int32_t SdlPlatform::BlinkMs() {
  const uint64_t now = SDL_GetTicks64();
  if (now >= next_blink_) {
    caret_on_ = !caret_on_;
    next_blink_ = now + kBlinkMs;
    Changed();
  }
  return int32_t(next_blink_ - now);
}

void SdlPlatform::PresentIfDirty() {
  if (dirty_) Present();
}

void SdlPlatform::Present() {
  dirty_ = false;
  if (main_ != nullptr && shown_)
    ShowPicture(main_, MainPicture(caret_on_ && setup_ == nullptr), zoom_);
  if (setup_ != nullptr) ShowPicture(setup_, SetupPicture(caret_on_), zoom_);
}

void SdlPlatform::OnWake() {
  if (wake_event_ == 0 || wake_event_ == uint32_t(-1)) return;
  SDL_Event e{};
  e.type = wake_event_;
  SDL_PushEvent(&e);
}

int SdlPlatform::HandleEvents(int32_t ms, bool* chunk) {
  if (close_requested_) {
    close_requested_ = false;
    CloseMainWindow();
  }
  PresentIfDirty();
  const int32_t blink = BlinkMs();
  SDL_Event e;
  int handled = 0;
  if (SDL_WaitEventTimeout(&e, ms < 0 ? blink : std::min(ms, blink)) != 0) {
    do {
      *chunk = Handle(e) || *chunk;
      ++handled;
    } while (SDL_PollEvent(&e) != 0);
  }
  // A chunk whose wake-up was lost is not left waiting.
  if (PumpHostData(0) > 0) *chunk = true;
  BlinkMs();
  PresentIfDirty();
  return handled;
}

void SdlPlatform::PumpEvents(int32_t ms) {
  const uint64_t deadline = SDL_GetTicks64() + uint64_t(std::max(ms, 0));
  for (;;) {
    bool chunk = false;
    const uint64_t now = SDL_GetTicks64();
    HandleEvents(int32_t(now < deadline ? deadline - now : 0), &chunk);
    if (chunk || Ending() || SDL_GetTicks64() >= deadline) return;
  }
}

bool SdlPlatform::WaitForInput(int input) {
  for (;;) {
    if (Ending()) return false;
    if (input >= 0) {
      pollfd p{input, POLLIN, 0};
      if (poll(&p, 1, 0) != 0) return true;
    }
    bool chunk = false;
    if (HandleEvents(input >= 0 ? kInputPollMs : -1, &chunk) > 0 || chunk) return false;
  }
}

bool SdlPlatform::Handle(const SDL_Event& e) {
  if (e.type == wake_event_) {
    DrainWake();
    return PumpHostData(0) > 0;
  }
  if (Ending()) return false;
  switch (e.type) {
    case SDL_QUIT:
      CloseMainWindow();
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
      break;
  }
  return false;
}

void SdlPlatform::CloseMainWindow() {
  if (!Ending()) SendMessage(kWmDestroy, 0, 0);
}

}  // namespace marl
