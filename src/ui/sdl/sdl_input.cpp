// The desktop window's input: window, key, text and mouse events turned into
// the main window's messages, and pasted text typed as characters.
#include <algorithm>
#include <cstdio>

#include "app/screen_setup.h"
#include "platform/messages.h"
#include "terminal.h"
#include "ui/core/recorder.h"
#include "ui/core/window_input.h"
#include "ui/pixels/code_page.h"
#include "ui/sdl/sdl_keys.h"
#include "ui/sdl/sdl_platform.h"

namespace marl {

namespace {

bool IsWindow(SDL_Window* window, uint32_t id) {
  return window != nullptr && SDL_GetWindowID(window) == id;
}

}  // namespace

void SdlPlatform::HandleWindow(const SDL_WindowEvent& w) {
  Changed();
  if (IsWindow(setup_, w.windowID)) {
    // The setup window has no close button of its own: closing it is Esc.
    if (w.event == SDL_WINDOWEVENT_CLOSE) ScreenSetupKey(terminal(), kVkEscape, false);
    return;
  }
  if (!IsWindow(main_, w.windowID)) return;
  if (w.event == SDL_WINDOWEVENT_CLOSE) {
    core_.CloseMainWindow();
  } else if (w.event == SDL_WINDOWEVENT_SIZE_CHANGED && !size_warned_) {
    const Rect client = core_.ClientRect();
    if (w.data1 < client.Width() * zoom_ || w.data2 < client.Height() * zoom_) {
      size_warned_ = true;
      std::fprintf(stderr,
                   "marlsim: the window manager made the window %dx%d; the screen needs %dx%d, "
                   "so part of it is hidden\n",
                   int(w.data1), int(w.data2), int(client.Width() * zoom_),
                   int(client.Height() * zoom_));
    }
  }
}

void SdlPlatform::HandleKey(const SDL_KeyboardEvent& key) {
  const KeyAction action = TranslateKey(key.keysym.sym, key.keysym.mod);
  // A key with Ctrl or Alt, or one handled here, types nothing more.
  swallow_text_ = action.kind != KeyAction::kNone || (key.keysym.mod & (KMOD_CTRL | KMOD_ALT));
  switch (action.kind) {
    case KeyAction::kNone:
      break;
    case KeyAction::kChar:
      DeliverCharacter(static_cast<unsigned char>(action.code), action.shift);
      break;
    case KeyAction::kKeyDown:
      DeliverKey(kWmKeyDown, action.code);
      break;
    case KeyAction::kSysKeyDown:
      DeliverKey(kWmSysKeyDown, action.code);
      break;
    case KeyAction::kHotKey:
      if (recorder_ != nullptr) recorder_->HotKey(action.code);
      core_.SendMessage(kWmHotKey, action.code, 0);
      break;
    case KeyAction::kPaste:
      if (char* text = SDL_GetClipboardText()) {
        Paste(text);
        SDL_free(text);
      }
      break;
    case KeyAction::kScanBox:
      ScanBox();
      break;
  }
}

void SdlPlatform::HandleText(const char* utf8) {
  if (swallow_text_) {
    swallow_text_ = false;
    return;
  }
  for (const char c : ToCodePage(utf8)) {
    if (Ending()) return;
    DeliverCharacter(static_cast<unsigned char>(c), false);
  }
}

void SdlPlatform::DeliverCharacter(unsigned char c, bool shift) {
  if (recorder_ != nullptr) recorder_->Key(kWmChar, c, shift);
  DeliverChar(terminal(), core_, c, shift);
}

void SdlPlatform::DeliverKey(uint32_t message, uint32_t virtual_key) {
  if (recorder_ != nullptr) recorder_->Key(message, virtual_key, false);
  DeliverKeyDown(terminal(), core_, message, virtual_key);
}

void SdlPlatform::HandleMouse(const SDL_MouseButtonEvent& button) {
  if (!IsWindow(main_, button.windowID)) return;
  if (button.button == SDL_BUTTON_LEFT) {
    const intptr_t x = std::clamp(button.x / zoom_, 0, 0xFFFF);
    const intptr_t y = std::clamp(button.y / zoom_, 0, 0xFFFF);
    if (recorder_ != nullptr) recorder_->Click(int32_t(x), int32_t(y));
    core_.SendMessage(kWmLButtonDown, 0, (y << 16) | x);
  } else if (button.button == SDL_BUTTON_MIDDLE) {
    // The desktop's selection, else the clipboard.
    char* text =
        SDL_HasPrimarySelectionText() ? SDL_GetPrimarySelectionText() : SDL_GetClipboardText();
    if (text != nullptr) {
      Paste(text);
      SDL_free(text);
    }
  }
}

void SdlPlatform::Paste(const char* utf8) {
  for (char c : ToCodePage(utf8)) {
    if (Ending()) return;
    if (c == '\r') continue;
    if (c == '\n') c = '\r';
    if (static_cast<unsigned char>(c) < 0x20 && c != '\r' && c != '\t') continue;
    DeliverCharacter(static_cast<unsigned char>(c), false);
  }
}

}  // namespace marl
