// The window's own translations: keys into messages, text into the code
// page, and draw requests into pixels.
#include <gtest/gtest.h>

#include <string>

#include "platform/messages.h"
#include "ui/headless/headless_main.h"
#include "ui/pixels/cell_canvas.h"
#include "ui/pixels/code_page.h"
#include "ui/pixels/glyph_atlas.h"
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
}

class Painter : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    atlas_ = LoadGlyphs(&error);
    if (atlas_ == nullptr) GTEST_SKIP() << error;
    picture_.Reset(110, 26);
  }
  int Dark(int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) n += (picture_.pixels[size_t(y * 110 + x)] & 0xFF) < 128;
    }
    return n;
  }
  std::shared_ptr<const GlyphAtlas> atlas_;
  Picture picture_;
};

TEST_F(Painter, TextStaysInItsRectangleAndFillsOnlyItsOwnCells) {
  TextDraw draw;
  draw.text = "MMMMM";
  draw.rect = {0, 0, 33, 13};  // three cells of five
  draw.reverse = true;
  PaintText(picture_, *atlas_, draw);
  EXPECT_GT(Dark(0, 0, 33, 13), 33 * 13 / 2);
  EXPECT_EQ(Dark(33, 0, 110, 26), 0);
  // A draw-line's rectangle runs to the window's edge; only the text's own
  // cells get their background.
  draw = TextDraw();
  draw.text = "MM";
  draw.rect = {0, 13, 110, 26};
  draw.reverse = true;
  PaintText(picture_, *atlas_, draw);
  EXPECT_EQ(Dark(22, 13, 110, 26), 0);
  // Bold letters are ten pixels apart.
  picture_.Reset(110, 26);
  draw = TextDraw();
  draw.text = "MMM";
  draw.font = CellFont::kBold;
  draw.cell_width = 10;
  draw.rect = {0, 0, 110, 13};
  PaintText(picture_, *atlas_, draw);
  EXPECT_GT(Dark(20, 0, 30, 13), 0);
  EXPECT_EQ(Dark(30, 0, 110, 13), 0);
}

TEST_F(Painter, ZoomRepeatsEachPixel) {
  picture_.Fill({1, 1, 2, 2}, kBlack);
  const Picture big = picture_.Scaled(3);
  ASSERT_EQ(big.width, 330);
  EXPECT_EQ(big.pixels[size_t(3 * 330 + 3)], kBlack);
  EXPECT_EQ(big.pixels[size_t(5 * 330 + 5)], kBlack);
  EXPECT_EQ(big.pixels[size_t(6 * 330 + 6)], kWhite);
  picture_.Reset(1 << 14, 1 << 14);  // past the largest picture kept
  EXPECT_TRUE(picture_.pixels.empty());
}

}  // namespace
}  // namespace marl::testing
