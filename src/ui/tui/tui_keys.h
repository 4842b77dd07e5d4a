// What the text terminal's keyboard and mouse give, turned into the main
// window's messages. A terminal cannot send every key a desktop can (no
// Ctrl+F1 on most), so the hot keys also sit on Alt+letter, which every
// terminal sends as Esc followed by the letter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace marl {

enum class TuiInputKind {
  kCharacter,      // code: the character (a byte of the code page)
  kKeyDown,        // code: the virtual key
  kSystemKeyDown,  // code: the virtual key
  kHotKey,         // code: the hot key's id
  kClick,          // row, column: the text terminal's cell
  kHelp,           // the help overlay
  kResize,         // the text terminal changed its size
};

struct TuiInput {
  TuiInputKind kind = TuiInputKind::kCharacter;
  uint32_t code = 0;
  bool shift = false;  // Shift+Tab, for the screen setup window's focus ring
  int32_t row = 0;
  int32_t column = 0;
  bool operator==(const TuiInput&) const = default;
};

// One thing curses reported: a character (`is_key` false), or a KEY_ code
// with, for KEY_MOUSE, the press and its cell.
struct CursesKey {
  int32_t code = 0;
  bool is_key = false;
  bool left_press = false;
  int32_t row = 0;
  int32_t column = 0;
  bool operator==(const CursesKey&) const = default;
};

// Turns what curses reported in one burst into inputs. Esc followed at once
// by a letter or a function key is that key with Alt; anything no table
// knows is dropped.
std::vector<TuiInput> DecodeKeys(const std::vector<CursesKey>& keys);

// Turns the bytes of UTF-8 sequences into one character each; malformed
// bytes are dropped.
std::vector<CursesKey> JoinUtf8(const std::vector<CursesKey>& bytes);

// Reads everything curses has now (the screen must be open and in no-delay
// mode); with `utf8`, multi-byte characters come as one.
std::vector<CursesKey> ReadCursesKeys(bool utf8);

// The help overlay's lines: every key a terminal can send and what it does.
std::vector<std::string> HelpLines();

}  // namespace marl
