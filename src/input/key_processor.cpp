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
    case 6:
      Transmit(t, 3, "IS,", "");
      return true;
    case 7:
    case 16:
    case 21:
    case kKeyScan + 0x16:
      // The host learns a new screen size only this way.
      SetWaitingForHost(t, 1);
      SendPowerUp(t, rows, columns);
      return true;
    case 12:
    case 14:
      TogglePing(t);
      return true;
    case 19:
      PlayTune(t);
      return true;
    case 20:
      ToggleTimingRF(t);
      return true;
    case kKeyRepaint:
      RepaintScreen(t);
      return true;
    case 4211:  // Ctrl+Left, Ctrl+Right, Ctrl+Up, Ctrl+Down
    case 4212:
    case 4237:
    case 4241:
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
void ApplyKey(Terminal& t, int32_t code, Form* form, int32_t rows, int32_t terminator,
              int32_t from_scan, int32_t force) {
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
    case 4211:
    case 4212:
    case 4237:
    case 4241:
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
  EnterCharacter(t, form, code, terminator, from_scan, force);
}

}  // namespace

void TranslateKeyEvent(Terminal& t, uint8_t low, uint8_t high) {
  int32_t code;
  if (low == 4) {
    code = high == kProgrammableScan ? Config(t).programmable_key : 4;
  } else if (low == 0 || low == 0xE0) {
    code = kKeyScan + high;
  } else {
    code = low;
  }
  if (code == kKeyEndProgram || code == 24) {
    t.platform->SendMessage(kWmHotKey, 1, 0);
    return;
  }
  if (code == 25) {
    t.platform->SendMessage(kWmHotKey, 4, 0);
    return;
  }
  ProcessKey(t, code, GetCurrentForm(t), t.screen.rows, t.screen.columns, 0, 0);
}

void ProcessKey(Terminal& t, int32_t code, Form* form, int32_t rows, int32_t columns,
                int32_t terminator, int32_t from_scan, int32_t force) {
  KeyState& k = t.keys;
  for (char& c : k.macro) c = 0;
  k.macro_index = 0;
  k.advanced = 0;

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
          k.advanced = 1;
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
    ApplyKey(t, code, form, rows, terminator, from_scan, force);
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
