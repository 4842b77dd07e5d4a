#include "ui/sdl/sdl_keys.h"

#include "platform/messages.h"

namespace marl {

namespace {

// The cursor block, as key-down messages with their virtual keys.
uint32_t CursorKey(SDL_Keycode key) {
  switch (key) {
    case SDLK_PAGEUP:
      return kVkPrior;
    case SDLK_PAGEDOWN:
      return kVkNext;
    case SDLK_END:
      return kVkEnd;
    case SDLK_HOME:
      return kVkHome;
    case SDLK_LEFT:
      return kVkLeft;
    case SDLK_UP:
      return kVkUp;
    case SDLK_RIGHT:
      return kVkRight;
    case SDLK_DOWN:
      return kVkDown;
    case SDLK_INSERT:
      return kVkInsert;
    case SDLK_DELETE:
      return kVkDelete;
    default:
      return 0;
  }
}

// 1 to 24 for F1 to F24, else 0.
int FunctionKey(SDL_Keycode key) {
  if (key >= SDLK_F1 && key <= SDLK_F12) return int(key - SDLK_F1) + 1;
  if (key >= SDLK_F13 && key <= SDLK_F24) return int(key - SDLK_F13) + 13;
  return 0;
}

}  // namespace

KeyAction TranslateKey(SDL_Keycode key, uint16_t modifiers) {
  const bool ctrl = (modifiers & KMOD_CTRL) != 0;
  const bool alt = (modifiers & KMOD_ALT) != 0;
  const bool shift = (modifiers & KMOD_SHIFT) != 0;
  if (const int f = FunctionKey(key)) {
    // The two hot keys the window registers come before the key itself.
    if (f == 1 && ctrl) return {KeyAction::kHotKey, kHotKeyScreenSetup};
    if (f == 1 && alt) return {KeyAction::kHotKey, kHotKeyAutoMode};
    if (alt) return {KeyAction::kSysKeyDown, kVkF1 + uint32_t(f - 1)};
    return {KeyAction::kKeyDown, kVkF1 + uint32_t(f - 1)};
  }
  if (const uint32_t vk = CursorKey(key)) return {KeyAction::kKeyDown, vk};
  switch (key) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return {KeyAction::kChar, '\r'};
    case SDLK_TAB:
      return {KeyAction::kChar, '\t', shift};
    case SDLK_BACKSPACE:
      return {KeyAction::kChar, '\b'};
    case SDLK_ESCAPE:
      return {KeyAction::kChar, 0x1B};
    default:
      break;
  }
  if (key >= SDLK_a && key <= SDLK_z) {
    if (ctrl && !alt) {
      if (shift && key == SDLK_v) return {KeyAction::kPaste};
      return {KeyAction::kChar, uint32_t(key - SDLK_a) + 1};
    }
    if (alt && !ctrl && key == SDLK_s) return {KeyAction::kScanBox};
  }
  return {};
}

}  // namespace marl
