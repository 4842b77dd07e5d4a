#include "input/key_processor.h"

#include <cstdio>

#include "base/terminal_config.h"
#include "forms/form.h"
#include "forms/form_display.h"
#include "input/field_edit.h"
#include "input/field_navigation.h"
#include "input/form_reply.h"
#include "input/input_queue.h"
#include "input/key_maps.h"
#include "input/toggles.h"
#include "link/ping.h"
#include "link/transmit.h"
#include "platform/messages.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

void ResetTurn(KeyState& k) {
  k.loop_flags = 0;
  k.reply_letter = kNoReplyLetter;
  k.reply_mode = 0;
}

// The keys that act at once, even while the terminal waits for the host.
// Returns false for every other key.
bool ImmediateKey(Terminal& t, int32_t code, Form* form, int32_t rows, int32_t columns) {
  switch (code) {
    case kKeyEscape:
      if (t.session.text_dialect == 1) {
        t.keys.reply_mode = 2;
        t.keys.reply_letter = 'z';
      }
      SendFormReply(t, code, form);
      return true;
    case kKeyClearScreen:
      ClearScreen(t);
      return true;
    case kKeyDebugging:
      ToggleDebugging(t);
      return true;
    case kKeyCtrlF:
      Transmit(t, 3, "IS,", "");
      return true;
    case kKeyCtrlG:
    case kKeyCtrlP:
    case kKeyCtrlU:
    case kKeyAltU:
      // The host learns a new screen size only this way.
      SetWaitingForHost(t, true);
      SendPowerUp(t, rows, columns);
      return true;
    case kKeyCtrlL:
    case kKeyCtrlN:
      TogglePing(t);
      return true;
    case kKeyCtrlS:
      PlayTune(t);
      return true;
    case kKeyCtrlT:
      ToggleTimingRF(t);
      return true;
    case kKeyRepaint:
      RepaintScreen(t);
      return true;
    case kKeyCtrlLeft:
    case kKeyCtrlRight:
    case kKeyCtrlUp:
    case kKeyCtrlDown:
      return true;
    case kKeyInsert:
      t.keys.insert_mode = !t.keys.insert_mode;
      return true;
    default:
      return false;
  }
}

void EnterKey(Terminal& t, int32_t code, Form* form) {
  if (form == nullptr) return;
  if (form->is_table && (form->cursor < form->min_entry || !CheckTableEntry(form))) {
    ErrorBeep(t);
    return;
  }
  if (t.session.text_dialect == 1) {
    t.keys.reply_mode = 2;
    t.keys.reply_letter = 'w';
  }
  SendFormReply(t, code, form);
  form->cursor = 0;
}

void PageUp(Terminal& t, int32_t code, Form* form, int32_t rows) {
  if (form == nullptr) return;
  if (form->top_row > 0) {
    form->top_row = form->top_row > rows ? form->top_row - rows : 0;
    DrawForm(t, form);
    return;
  }
  t.keys.reply_letter = 'y';
  SendFormReply(t, code, form);
}

void PageDown(Terminal& t, int32_t code, Form* form, int32_t rows) {
  if (form == nullptr) return;
  if (rows > 0 && int64_t(form->top_row) + rows < form->row_count) {
    form->top_row += rows;
    DrawForm(t, form);
    return;
  }
  t.keys.reply_letter = 'x';
  SendFormReply(t, code, form);
}

// One key's action inside the key loop.
void ApplyKey(Terminal& t, int32_t code, Form* form, int32_t rows, KeyOptions options) {
  if (IsFunctionKey(code)) {
    t.keys.loop_flags = ExpandKeyMap(t, code, t.keys.macro);
    if (t.keys.loop_flags == kLoopSendReply) SendFormReply(t, code, form);
    return;
  }
  if (code >= kKeyShiftF1 && code <= kKeyShiftF10) {
    SendFormReply(t, code, form);
    return;
  }
  switch (code) {
    case kKeyBackspace:
      BackspaceKey(t, form);
      return;
    case kKeyTab:
    case kKeyDown:
      NextFieldOrRow(t, form);
      return;
    case kKeyShiftTab:
    case kKeyUp:
      PrevFieldOrRow(t, form);
      return;
    case kKeyLineFeed:
    case kKeyEnter:
    case kKeyPadEnter:
      EnterKey(t, code, form);
      return;
    case kKeyClearField:
      ClearField(t, form);
      return;
    case kKeyHome:
      HomeKey(t, form);
      return;
    case kKeyEnd:
      EndKey(t, form);
      return;
    case kKeyLeft:
      CursorLeft(t, form);
      return;
    case kKeyRight:
      CursorRight(t, form);
      return;
    case kKeyDelete:
      DeleteKey(t, form);
      return;
    case kKeyPageUp:
      PageUp(t, code, form, rows);
      return;
    case kKeyPageDown:
      PageDown(t, code, form, rows);
      return;
    case kKeyCtrlLeft:
    case kKeyCtrlRight:
    case kKeyCtrlUp:
    case kKeyCtrlDown:
      return;
    default:
      break;
  }
  if (code <= 0) {
    char line[64];
    std::snprintf(line, sizeof line, "Ignore %ld (0x%lX)", long(code),
                  static_cast<unsigned long>(code & 0xFFFF));
    DrawDebugLine(t, 0, line);
    return;
  }
  EnterCharacter(t, form, code, options);
}

}  // namespace

void TranslateKeyEvent(Terminal& t, uint8_t low, uint8_t high) {
  int32_t code;
  if (low == kKeyDebugging) {
    code = high == kProgrammableScan ? Config(t).programmable_key : kKeyDebugging;
  } else if (low == 0 || low == 0xE0) {
    code = kKeyScan + high;
  } else {
    code = low;
  }
  if (code == kKeyEndProgram || code == kKeyCtrlX) {
    t.platform->SendMessage(kWmHotKey, kHotKeyEndProgram, 0);
    return;
  }
  if (code == kKeyCtrlY) {
    t.platform->SendMessage(kWmHotKey, kHotKeyAutoMode, 0);
    return;
  }
  ProcessKey(t, code, GetCurrentForm(t), t.screen.rows, t.screen.columns);
}

void ProcessKey(Terminal& t, int32_t code, Form* form, int32_t rows, int32_t columns,
                KeyOptions options) {
  KeyState& k = t.keys;
  for (char& c : k.macro) c = 0;
  k.macro_index = 0;
  k.advanced = false;

  if (code == kKeyProgrammable) {
    code = Config(t).programmable_key;
    // In a table form the programmable key picks the next row (or sends).
    if (form != nullptr && !(form->options & kOptionTableNoAutoSend) && form->is_table) {
      if ((form->options & kOptionRowReply) && !(form->options & kOptionScanTab)) {
        if (IsWaitingForHost(t)) {
          QueueKeystroke(t, kKeyDown);
        } else {
          NextFieldOrRow(t, form);
          if (IsWaitingForHost(t)) return;
          k.advanced = true;
        }
      } else {
        k.loop_flags |= kLoopSendReply;
      }
    }
  }

  if (ImmediateKey(t, code, form, rows, columns)) {
    ResetTurn(k);
    return;
  }
  if (IsWaitingForHost(t)) {
    QueueKeystroke(t, code);
    ResetTurn(k);
    return;
  }

  t.platform->HideCaret();
  for (;;) {
    if (k.loop_flags & kLoopPlayMacro) {
      code = static_cast<uint8_t>(k.macro[k.macro_index]) & 0x7F;
      k.macro_index++;
    }
    ApplyKey(t, code, form, rows, options);
    if ((k.loop_flags & kLoopPlayMacro) &&
        (k.macro_index >= kMacroBufferSize || k.macro[k.macro_index] == 0)) {
      k.loop_flags &= ~kLoopPlayMacro;
    }
    if (!(k.loop_flags & kLoopPlayMacro)) break;
  }
  if (k.loop_flags & kLoopSendReply) SendFormReply(t, code, form);

  ResetTurn(k);
  PlaceFormCursor(t, form);
  t.platform->ShowCaret();
}

}  // namespace marl
