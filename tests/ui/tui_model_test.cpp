// The terminal front end without a terminal: what curses reports becomes
// the window's messages.
#include <gtest/gtest.h>
#include <ncursesw/curses.h>

#include <vector>

#include "platform/messages.h"
#include "ui/tui/tui_keys.h"
#include "ui/tui/tui_render.h"

namespace marl {
namespace {

CursesKey Char(int32_t c) {
  return {c, false};
}
CursesKey Key(int32_t code) {
  return {code, true};
}
TuiInput Character(uint32_t c, bool shift = false) {
  return {TuiInputKind::kCharacter, c, shift};
}
TuiInput Down(uint32_t vk, TuiInputKind kind = TuiInputKind::kKeyDown) {
  return {kind, vk};
}
TuiInput Hot(uint32_t id) {
  return {TuiInputKind::kHotKey, id};
}

TEST(TuiKeys, CharactersAndKeysBecomeTheWindowsMessages) {
  EXPECT_EQ(
      DecodeKeys({Char('a'), Char('\r'), Char('\t'), Char(0x7F), Char(8), Char(0x18), Char(0x20AC),
                  Char(0xE9), Key(KEY_BTAB), Key(KEY_BACKSPACE), Key(KEY_ENTER)}),
      (std::vector<TuiInput>{Character('a'), Character('\r'), Character('\t'), Character('\b'),
                             Character('\b'), Character(0x18), Character(0x80), Character(0xE9),
                             Character('\t', true), Character('\b'), Character('\r')}));
  EXPECT_EQ(DecodeKeys({Key(KEY_UP), Key(KEY_NPAGE), Key(KEY_DC), Key(KEY_F(1)), Key(KEY_F(12)),
                        Key(KEY_F(13)), Key(KEY_F(24)), Key(KEY_F(26))}),
            (std::vector<TuiInput>{Down(kVkUp), Down(kVkNext), Down(kVkDelete), Down(kVkF1),
                                   Down(kVkF1 + 11), Down(kVkF1 + 12), Down(kVkF1 + 23),
                                   Down(kVkF1 + 1)}));
}

TEST(TuiKeys, HotKeysFromModifiedFunctionKeysAndFromAltLetters) {
  const TuiInput f10_alt = Down(kVkF10, TuiInputKind::kSystemKeyDown);
  // Ctrl+F1 and Alt+F1 where the terminal sends them, and Esc-prefixed.
  EXPECT_EQ(DecodeKeys({Key(KEY_F(25)), Key(KEY_F(49)), Key(KEY_F(58)), Char(0x1B), Key(KEY_F(1)),
                        Char(0x1B), Key(KEY_F(10))}),
            (std::vector<TuiInput>{Hot(9), Hot(4), f10_alt, Hot(4), f10_alt}));
  EXPECT_EQ(DecodeKeys({Char(0x1B), Char('s'), Char(0x1B), Char('A'), Char(0x1B), Char('q'),
                        Char(0x1B), Char('h')}),
            (std::vector<TuiInput>{Hot(9), Hot(4), Hot(0), {TuiInputKind::kHelp}}));
  // Esc alone, or before another Esc, is the Esc key; Alt+X is nothing.
  EXPECT_EQ(DecodeKeys({Char(0x1B), Char(0x1B), Char('x')}),
            std::vector<TuiInput>{Character(0x1B)});
  EXPECT_EQ(DecodeKeys({Char(0x1B), Char(0x1B)}),
            (std::vector<TuiInput>{Character(0x1B), Character(0x1B)}));
}

TEST(TuiKeys, WhatNoTableKnowsIsDropped) {
  EXPECT_EQ(DecodeKeys({Char(0),        Char(0x4E00), Char(0x81), Key(KEY_F(64)), Key(KEY_MAX + 7),
                        Key(KEY_MOUSE), Char(0x1B),   Char('z'),  Char(0x1B),     Key(KEY_UP),
                        Char(0x1B),     Char('['),    Char('9'),  Char(';'),      Char('9'),
                        Char('~'),      Char(0x1B),   Char('O'),  Char('Z'),      Char(0x1B),
                        Char('[')}),
            std::vector<TuiInput>{});
  CursesKey click = Key(KEY_MOUSE);
  click.left_press = true;
  click.row = 3;
  click.column = 7;
  EXPECT_EQ(DecodeKeys({click}), (std::vector<TuiInput>{{TuiInputKind::kClick, 0, false, 3, 7}}));
}

TEST(TuiKeys, Utf8BytesBecomeCharactersAndMalformedOnesAreDropped) {
  const auto bytes = [](std::vector<int32_t> codes) {
    std::vector<CursesKey> keys;
    for (int32_t c : codes) keys.push_back(Char(c));
    return keys;
  };
  EXPECT_EQ(JoinUtf8(bytes({'a', 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80, 'z'})),
            bytes({'a', 0xE9, 0x20AC, 0x1F600, 'z'}));
  // A lone lead, a stray continuation, 0xFF, an overlong and a surrogate.
  EXPECT_EQ(JoinUtf8(bytes({0xC3, 'o', 0xA9, 'k', 0xFF, 0xC0, 0x81, 0xE0, 0x81, 0x81, 0xED, 0xA0,
                            0x80, 0xE2, 0x82})),
            bytes({'o', 'k'}));
  std::vector<CursesKey> keyed = {Char(0xC3), Key(KEY_UP), Char(0xA9)};
  EXPECT_EQ(JoinUtf8(keyed).size(), 1u);
}

// The notice names the terminal size the screen needs, and a terminal of
// that width shows all of it, however narrow the screen.
TEST(TuiRender, TheTooSmallNoticeFitsTheWidthItNames) {
  struct Case {
    int32_t screen_rows, screen_columns, rows, columns;
    std::string notice;
  };
  const std::vector<Case> cases = {
      {16, 20, 24, 80, ""},  // fits
      {16, 20, 19, 22, ""},  // just fits: frame, cells, status line
      {16, 20, 18, 22, "TOO SMALL: need 22x19"},
      {16, 20, 8, 15, "TOO SMALL: need 22x19"},
      {16, 14, 8, 15, "TOO SMALL 16x19"},
      {16, 10, 8, 8, "need 12x19"},
      {4, 5, 2, 2, "7x7"},
      {1, 1, 1, 1, "3x4"},
      {9999, 9999, 24, 80, "TOO SMALL: need 10001x10002"},
  };
  for (const Case& c : cases) {
    const std::string notice = ClipNotice(c.screen_rows, c.screen_columns, c.rows, c.columns);
    EXPECT_EQ(notice, c.notice) << c.screen_columns << "x" << c.screen_rows;
    EXPECT_LE(int32_t(notice.size()), std::max(c.screen_columns + 2, 3));
  }
}

}  // namespace
}  // namespace marl
