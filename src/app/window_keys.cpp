#include "app/window_keys.h"

#include <cstring>

#include "app/app_state.h"
#include "app/main_window.h"
#include "app/screen_setup.h"
#include "base/guarded_alloc.h"
#include "forms/form.h"
#include "input/key_processor.h"
#include "platform/messages.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

const uint8_t kFunctionKeyScanCodes[24] = {
    0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44,  // F1 to F10
    0x85, 0x86,                                                  // F11, F12
    0x2E, 0x20, 0x12, 0x21, 0x22, 0x23,                          // F13 to F18
    0x17, 0x24, 0x25, 0x26, 0x32, 0x31,                          // F19 to F24
};

namespace {

constexpr const char* kSource = "MrpDazAre";
constexpr uint32_t kVkF24 = kVkF1 + 23;
constexpr uint32_t kVkF11Alternate = 0xE3;
constexpr uint32_t kVkF12Alternate = 0xE4;

// The key word is the first two bytes of the host-data buffer: the character,
// then the scan code.
void SetKeyWord(Terminal& t, uint8_t character, uint8_t scan) {
  App(t).host_data[0] = char(character);
  App(t).host_data[1] = char(scan);
}

// Hands the key word to the terminal's key processor.
void TranslateKeyWord(Terminal& t) {
  const AppState& app = App(t);
  TranslateKeyEvent(t, uint8_t(app.host_data[0]), uint8_t(app.host_data[1]));
}

void PressScan(Terminal& t, uint8_t scan) {
  SetKeyWord(t, 0, scan);
  TranslateKeyWord(t);
}

void PressCharacter(Terminal& t, uint8_t character) {
  App(t).host_data[0] = char(character);
  TranslateKeyWord(t);
}

void PressOnForm(Terminal& t, int32_t code) {
  ProcessKey(t, code, GetCurrentForm(t), t.screen.rows, t.screen.columns);
}

void ScreenSetupHotKey(Terminal& t) {
  const int32_t rows = t.screen.rows;
  const int32_t columns = t.screen.columns;
  ScreenSetup(t, 0);  // may store a new size
  ApplyScreenSetup(t, rows, columns);
}

void GrowGrid(Terminal& t, int64_t old_cells) {
  ScreenState& s = t.screen;
  const int64_t cells = ScreenCells(s.rows, s.columns);
  if (s.grid == nullptr || cells > kMaxGridCells) {
    ResizeScreenGrid(t);
    return;
  }
  const int64_t allocated = int64_t(s.grid_rows) * s.grid_columns;
  const int64_t kept = old_cells < allocated ? old_cells : allocated;
  auto* grown =
      static_cast<char*>(GuardedRealloc(t, s.grid, uint32_t(kept), uint32_t(cells) + 1, kSource));
  if (grown == nullptr) return;  // the old grid stays, and with it its size
  // The old block comes over as it was, its last cell's zero byte included.
  std::memset(grown + kept, ' ', size_t(cells - kept));
  grown[cells - 1] = 0;
  grown[cells] = 0;
  s.grid = grown;
  s.grid_rows = s.rows;
  s.grid_columns = s.columns;
}

}  // namespace

void HandleKeyDown(Terminal& t, uint32_t virtual_key) {
  switch (virtual_key) {
    case kVkPrior:
      return PressScan(t, 0x49);
    case kVkNext:
      return PressScan(t, 0x51);
    case kVkEnd:
      return PressScan(t, 0x4F);
    case kVkHome:
      return PressScan(t, 0x47);
    case kVkLeft:
      return PressScan(t, 0x4B);
    case kVkUp:
      return PressScan(t, 0x48);
    case kVkRight:
      return PressScan(t, 0x4D);
    case kVkDown:
      return PressScan(t, 0x50);
    case kVkInsert:
      return PressScan(t, 0x52);
    case kVkDelete:
      return PressScan(t, 0x53);
    case kVkF11Alternate:
      return PressScan(t, kFunctionKeyScanCodes[10]);
    case kVkF12Alternate:
      return PressScan(t, kFunctionKeyScanCodes[11]);
    default:
      break;
  }
  // Keys with characters (Enter, Tab, Escape, Ctrl+letter) come as
  // character messages.
  if (virtual_key >= kVkF1 && virtual_key <= kVkF24) {
    PressScan(t, kFunctionKeyScanCodes[virtual_key - kVkF1]);
  }
}

void HandleCharacter(Terminal& t, uint32_t character) {
  PressCharacter(t, uint8_t(character));
}

void HandleSystemKeyDown(Terminal& t, uint32_t virtual_key) {
  // Only Alt+F10 counts; Alt+F4 in particular must not close the terminal.
  if (virtual_key == kVkF10) PressScan(t, kFunctionKeyScanCodes[9]);
}

void HandleLeftButton(Terminal& t, intptr_t position) {
  const auto bits = static_cast<uintptr_t>(position);
  ClickToField(t, int32_t(bits & 0xFFFF), int32_t((bits >> 16) & 0xFFFF));
}

void HandleHotKey(Terminal& t, int32_t id) {
  switch (id) {
    case kHotKeyClearField:
      return PressScan(t, 0x34);
    case kHotKeyProgrammable:
      SetKeyWord(t, 4, kProgrammableScan);
      TranslateKeyWord(t);
      return;
    case kHotKeyAutoMode:
      ToggleAutoMode(t);
      return;
    case kHotKeyPowerUp:
    case kHotKeyPowerUpToo:
      return PressCharacter(t, 16);
    case kHotKeyPing:
      return PressCharacter(t, 14);
    case kHotKeyClearScreen:
      return PressCharacter(t, 3);
    case kHotKeyScreenSetup:
      ScreenSetupHotKey(t);
      return;
    case kHotKeyAutoEnter:
      if (t.session.auto_mode) {
        PressOnForm(t, kKeyEnter);
        t.platform->Sleep(500);
      }
      return;
    default:
      return;
  }
}

void ToggleAutoMode(Terminal& t) {
  SessionState& s = t.session;
  s.auto_mode = !s.auto_mode;
  if (!s.auto_mode) return;
  s.auto_start = t.platform->Now();
  PressOnForm(t, kKeyEnter);
  t.platform->Sleep(500);
}

void ClickToField(Terminal& t, int32_t x, int32_t y) {
  Form* form = GetCurrentForm(t);
  if (form == nullptr || form->fields == nullptr || form->field_count <= 0) return;
  const int32_t column = x / kCellWidth + 1;
  const int64_t row = int64_t(form->top_row) + y / kRowHeight;
  int32_t found = -1;
  for (int32_t i = 0; i < form->field_count && found < 0; ++i) {
    const FormField& f = form->fields[i];
    if (f.row == row && f.column <= column && column <= int64_t(f.column) + f.width) found = i;
  }
  if (found < 0) return;
  const int32_t current = form->current_field;
  if (found != current) {
    const int32_t key = found > current ? kKeyDown : kKeyUp;
    const int32_t steps = found > current ? found - current : current - found;
    t.platform->HideCaret();
    for (int32_t n = 0; n < steps; ++n) PressOnForm(t, key);
    t.platform->ShowCaret();
  }
  if (form->fields[found].flags & kFieldProtected) PressOnForm(t, kKeyEnter);
}

void EraseClient(Terminal& t) {
  ScreenState& s = t.screen;
  s.draw.row = 0;
  s.draw.column = 0;
  GuardedFree(t, s.draw.text, kSource);
  s.draw.text = nullptr;
  s.draw.rectangle = App(t).client;
  t.platform->EraseClient();
  SetCursor(t, 0, 0);
}

void ApplyScreenSetup(Terminal& t, int32_t old_rows, int32_t old_columns) {
  ScreenState& s = t.screen;
  t.platform->DisplaySize(&App(t).display_width, &App(t).display_height);
  LayoutMainWindow(t);
  if (s.rows == old_rows && s.columns == old_columns) {
    RepaintScreen(t);
  } else {
    EraseClient(t);
    // The host learns the new size only from the power-up that Ctrl+P sends.
    DrawAt(t, 0, 0, 12, "Press CTRL-P", 0);
  }
  const int64_t old_cells = ScreenCells(old_rows, old_columns);
  if (old_cells < ScreenCells(s.rows, s.columns)) GrowGrid(t, old_cells);
  t.platform->CreateCaret(kCellWidth, kRowHeight);
  t.platform->SetCaretPos(SaturatedProduct(s.draw.column, kCellWidth),
                          SaturatedProduct(s.draw.row, kRowHeight));
  t.platform->ShowCaret();
}

}  // namespace marl
