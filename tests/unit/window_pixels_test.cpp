// The window's own translations: keys into messages, text into the code
// page, and draw requests into pixels.
#include <gtest/gtest.h>

#include <string>

#include "platform/messages.h"
#include "ui/core/run_program.h"
#include "ui/pixels/cell_canvas.h"
#include "ui/pixels/code_page.h"
#include "ui/sdl/sdl_keys.h"

namespace marl::testing {
namespace {

TEST(WindowKeysOfTheDesktop, BecomeTheMessagesTheWindowExpects) {
  struct Case {
    SDL_Keycode key;
    uint16_t modifiers;
    KeyAction::Kind kind;
    uint32_t code;
  };
  const Case cases[] = {
      {SDLK_RETURN, 0, KeyAction::kChar, '\r'},
      {SDLK_KP_ENTER, 0, KeyAction::kChar, '\r'},
      {SDLK_ESCAPE, 0, KeyAction::kChar, 0x1B},
      {SDLK_BACKSPACE, 0, KeyAction::kChar, '\b'},
      {SDLK_p, KMOD_LCTRL, KeyAction::kChar, 16},
      {SDLK_x, KMOD_RCTRL, KeyAction::kChar, 24},
      {SDLK_v, KMOD_LCTRL | KMOD_LSHIFT, KeyAction::kPaste, 0},
      {SDLK_s, KMOD_LALT, KeyAction::kScanBox, 0},
      {SDLK_a, 0, KeyAction::kNone, 0},  // its text comes as text input
      {SDLK_a, KMOD_LALT, KeyAction::kNone, 0},
      {SDLK_LEFT, 0, KeyAction::kKeyDown, kVkLeft},
      {SDLK_DELETE, 0, KeyAction::kKeyDown, kVkDelete},
      {SDLK_F1, 0, KeyAction::kKeyDown, kVkF1},
      {SDLK_F12, 0, KeyAction::kKeyDown, kVkF1 + 11},
      {SDLK_F24, 0, KeyAction::kKeyDown, kVkF1 + 23},
      {SDLK_F1, KMOD_LCTRL, KeyAction::kHotKey, 9},
      {SDLK_F1, KMOD_LALT, KeyAction::kHotKey, 4},
      {SDLK_F10, KMOD_LALT, KeyAction::kSysKeyDown, kVkF10},
      {SDLK_F4, KMOD_RALT, KeyAction::kSysKeyDown, kVkF4},
  };
  for (const Case& c : cases) {
    const KeyAction a = TranslateKey(c.key, c.modifiers);
    EXPECT_EQ(a.kind, c.kind) << SDL_GetKeyName(c.key) << " " << c.modifiers;
    EXPECT_EQ(a.code, c.code) << SDL_GetKeyName(c.key) << " " << c.modifiers;
  }
  EXPECT_TRUE(TranslateKey(SDLK_TAB, KMOD_LSHIFT).shift);
}

TEST(CodePage, TextComesAndGoesAsTheWindowsBytes) {
  EXPECT_EQ(ToCodePage("abc \xC3\xA9\xE2\x82\xAC\xE2\x84\xA2"), "abc \xE9\x80\x99");
  // Characters the code page lacks, and broken sequences, become '?'.
  EXPECT_EQ(ToCodePage("\xE4\xB8\xAD|\xC3|\xFF|\xE2\x82"), "?|?|?|??");
  EXPECT_EQ(FromCodePage("\xE9\x80\n\x01"), "\xC3\xA9\xE2\x82\xAC\n?");
  EXPECT_EQ(CodePageCharacter(0x81), 0u);
  EXPECT_EQ(CodePageCharacter(' '), uint32_t(' '));
  // The terminal front end's cells, and back.
  for (int b = 0; b < 256; ++b) {
    const uint32_t u = CodePageToUnicode(uint8_t(b));
    EXPECT_TRUE(u == 0 || UnicodeToCodePage(u) == b) << b;
  }
  EXPECT_EQ(CodePageToUnicode(0x80), U'\u20AC');
  EXPECT_EQ(UnicodeToCodePage(U'\u0100'), -1);
}

// What a picture looks like is the window test's (tests/ui) to check,
// against the X server's own pixels.
TEST(Picture, ZoomRepeatsEachPixelUpToTheLargestPictureKept) {
  Picture picture;
  picture.Reset(110, 26);
  picture.Fill({1, 1, 2, 2}, kBlack);
  const Picture big = picture.Scaled(3);
  ASSERT_EQ(big.width, 330);
  EXPECT_EQ(big.pixels[size_t(3 * 330 + 3)], kBlack);
  EXPECT_EQ(big.pixels[size_t(5 * 330 + 5)], kBlack);
  EXPECT_EQ(big.pixels[size_t(6 * 330 + 6)], kWhite);
  picture.Reset(1 << 14, 1 << 14);  // past the largest picture kept
  EXPECT_TRUE(picture.pixels.empty());
}

}  // namespace
}  // namespace marl::testing
