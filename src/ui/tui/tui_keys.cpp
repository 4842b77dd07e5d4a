#include "ui/tui/tui_keys.h"

#include <ncursesw/curses.h>

#include <cwctype>

#include "platform/messages.h"
#include "ui/pixels/code_page.h"

namespace marl {

namespace {

constexpr uint8_t kEsc = 0x1B;

constexpr TuiInput Character(uint32_t c, bool shift = false) {
  return {TuiInputKind::kCharacter, c, shift};
}
constexpr TuiInput KeyDown(uint32_t vk) {
  return {TuiInputKind::kKeyDown, vk};
}
constexpr TuiInput HotKey(uint32_t id) {
  return {TuiInputKind::kHotKey, id};
}

struct AltBinding {
  char letter;
  const char* keys;
  const char* what;
  TuiInput input;
};
// The hot keys, on keys that every terminal can send. The help overlay lists
// them in this order.
const AltBinding kAltBindings[] = {
    {'s', "Alt+S  Ctrl+F1", "screen setup", HotKey(kHotKeyScreenSetup)},
    {'a', "Alt+A  Alt+F1", "auto mode on or off", HotKey(kHotKeyAutoMode)},
    {'e', "Alt+E", "Enter, while in auto mode", HotKey(kHotKeyAutoEnter)},
    {'d', "Alt+D", "clear the field", HotKey(kHotKeyClearField)},
    {'k', "Alt+K", "the programmable key", HotKey(kHotKeyProgrammable)},
    {'q', "Alt+Q", "end marlsim (as Ctrl+X)", HotKey(kHotKeyEnd)},
    {'h', "Alt+H", "this help", {TuiInputKind::kHelp}},
};

// Function keys as curses numbers them (up to 63): 1 to 12 plain, then Shift, Ctrl,
// Ctrl+Shift, Alt and Alt+Shift, twelve each.
bool FunctionKey(int32_t n, bool alt, TuiInput* out) {
  if (n < 1 || n > 63) return false;
  const int32_t group = (n - 1) / 12;
  const int32_t key = (n - 1) % 12;  // 0 is F1
  const bool shift = group == 1 || group == 3 || group == 5;
  alt = alt || group >= 4;
  const bool ctrl = group == 2 || group == 3;
  // Shift+F1 to Shift+F12 are F13 to F24, as terminals send them.
  const uint32_t vk = kVkF1 + uint32_t(key + (shift ? 12 : 0));
  if (ctrl && !shift && key == 0) {
    *out = HotKey(kHotKeyScreenSetup);
  } else if (alt && !shift && key == 0) {
    *out = HotKey(kHotKeyAutoMode);
  } else if (alt) {
    *out = {TuiInputKind::kSystemKeyDown, vk};
  } else {
    *out = KeyDown(vk);
  }
  return true;
}

// The keys curses names, with the shifted variants that some terminals
// send for the same key.
struct NamedKey {
  int32_t key;
  TuiInput input;
};
const NamedKey kNamedKeys[] = {
    {KEY_UP, KeyDown(kVkUp)},          {KEY_DOWN, KeyDown(kVkDown)},
    {KEY_LEFT, KeyDown(kVkLeft)},      {KEY_SLEFT, KeyDown(kVkLeft)},
    {KEY_RIGHT, KeyDown(kVkRight)},    {KEY_SRIGHT, KeyDown(kVkRight)},
    {KEY_HOME, KeyDown(kVkHome)},      {KEY_SHOME, KeyDown(kVkHome)},
    {KEY_FIND, KeyDown(kVkHome)},      {KEY_END, KeyDown(kVkEnd)},
    {KEY_SEND, KeyDown(kVkEnd)},       {KEY_SELECT, KeyDown(kVkEnd)},
    {KEY_PPAGE, KeyDown(kVkPrior)},    {KEY_NPAGE, KeyDown(kVkNext)},
    {KEY_IC, KeyDown(kVkInsert)},      {KEY_SIC, KeyDown(kVkInsert)},
    {KEY_DC, KeyDown(kVkDelete)},      {KEY_SDC, KeyDown(kVkDelete)},
    {KEY_ENTER, Character('\r')},      {KEY_BACKSPACE, Character('\b')},
    {KEY_BTAB, Character('\t', true)}, {KEY_RESIZE, {TuiInputKind::kResize}},
};

bool CursesKeyInput(const CursesKey& k, bool alt, TuiInput* out) {
  if (k.code >= KEY_F(1) && k.code <= KEY_F(63)) return FunctionKey(k.code - KEY_F0, alt, out);
  if (alt) return false;
  if (k.code == KEY_MOUSE) {
    if (!k.left_press) return false;
    *out = {TuiInputKind::kClick, 0, false, k.row, k.column};
    return true;
  }
  for (const NamedKey& named : kNamedKeys) {
    if (named.key == k.code) {
      *out = named.input;
      return true;
    }
  }
  return false;
}

bool CharacterInput(char32_t c, TuiInput* out) {
  // Most terminals send DEL for the Backspace key.
  if (c == 0x7F || c == '\b') c = '\b';
  if (c == 0) return false;
  const int32_t byte = UnicodeToCodePage(c);
  if (byte < 0) return false;
  *out = Character(uint32_t(byte));
  return true;
}

bool AltInput(char32_t c, TuiInput* out) {
  const char32_t lower = c < 0x80 ? char32_t(std::towlower(wint_t(c))) : c;
  for (const AltBinding& b : kAltBindings) {
    if (char32_t(b.letter) != lower) continue;
    *out = b.input;
    return true;
  }
  return false;
}

}  // namespace

std::vector<TuiInput> DecodeKeys(const std::vector<CursesKey>& keys) {
  std::vector<TuiInput> inputs;
  for (size_t i = 0; i < keys.size(); ++i) {
    const CursesKey& k = keys[i];
    TuiInput input;
    if (!k.is_key && k.code == kEsc && i + 1 < keys.size() && !keys[i + 1].is_key &&
        (keys[i + 1].code == '[' || keys[i + 1].code == 'O')) {
      // A control sequence that no key table knew goes whole, not its tail
      // as typed characters: parameters, then the final byte.
      size_t end = i + 2;
      if (keys[i + 1].code == '[') {
        while (end < keys.size() && !keys[end].is_key && keys[end].code >= 0x20 &&
               keys[end].code <= 0x3F) {
          ++end;
        }
      }
      i = end;
      continue;
    }
    if (!k.is_key && k.code == kEsc) {
      // Esc with something right behind it is Alt held with that key.
      if (i + 1 < keys.size() && !(keys[i + 1].is_key == false && keys[i + 1].code == kEsc)) {
        const CursesKey& next = keys[++i];
        const bool known = next.is_key ? CursesKeyInput(next, true, &input)
                                       : AltInput(char32_t(next.code), &input);
        if (known) inputs.push_back(input);
        continue;
      }
      inputs.push_back(Character(kEsc));
      continue;
    }
    const bool known =
        k.is_key ? CursesKeyInput(k, false, &input) : CharacterInput(char32_t(k.code), &input);
    if (known) inputs.push_back(input);
  }
  return inputs;
}

std::vector<CursesKey> JoinUtf8(const std::vector<CursesKey>& bytes) {
  std::vector<CursesKey> joined;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const CursesKey& k = bytes[i];
    if (k.is_key || k.code < 0x80) {
      joined.push_back(k);
      continue;
    }
    // A lead byte and its continuation bytes; anything malformed is dropped
    // and reading goes on at the first byte that does not fit.
    const int32_t lead = k.code;
    const size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    if (length == 0) continue;
    char32_t c = char32_t(lead & (0x7F >> length));
    size_t n = 1;
    for (; n < length && i + n < bytes.size(); ++n) {
      const CursesKey& next = bytes[i + n];
      if (next.is_key || (next.code & 0xC0) != 0x80) break;
      c = (c << 6) | char32_t(next.code & 0x3F);
    }
    if (n < length) {
      i += n - 1;
      continue;
    }
    i += length - 1;
    static constexpr char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (c >= kSmallest[length] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF)) {
      joined.push_back({int32_t(c), false});
    }
  }
  return joined;
}

std::vector<CursesKey> ReadCursesKeys(bool utf8) {
  std::vector<CursesKey> keys;
  // Bytes, not wide characters: curses gives up on a malformed sequence
  // with an error that looks like "no more input" and keeps the rest.
  // A burst is bounded so that a flood of input still lets the screen draw.
  for (int n = 0; n < 4096; ++n) {
    const int got = wgetch(stdscr);
    if (got == ERR) break;
    CursesKey k;
    k.code = got;
    k.is_key = got >= KEY_MIN;
    if (got == KEY_MOUSE) {
      MEVENT event{};
      if (getmouse(&event) == OK && (event.bstate & (BUTTON1_PRESSED | BUTTON1_CLICKED))) {
        k.left_press = true;
        k.row = event.y;
        k.column = event.x;
      }
    }
    keys.push_back(k);
  }
  return utf8 ? JoinUtf8(keys) : keys;
}

std::vector<std::string> HelpLines() {
  std::vector<std::string> lines = {
      "Keys go to the terminal as on the desktop:",
      "letters, Enter, Tab, Backspace, Esc, Ctrl+A-Z,",
      "arrows, Home, End, PgUp, PgDn, Ins, Del, F1-F12;",
      "Shift+F1 to Shift+F12 are F13 to F24.",
      "Ctrl+X ends, Ctrl+P power-up, Ctrl+N ping mode,",
      "Ctrl+C clears the screen. A click picks a field.",
      "",
  };
  for (const AltBinding& b : kAltBindings) {
    std::string line = b.keys;
    line.resize(16, ' ');
    lines.push_back(line + b.what);
  }
  lines.push_back("");
  lines.push_back("Any key closes this help.");
  return lines;
}

}  // namespace marl
