// Key codes: what each key does to the current form, locally or by ending the
// turn with a reply to the host.
#pragma once

#include <cstdint>

#include "input/field_edit.h"
#include "input/input_state.h"

namespace marl {

struct Terminal;
struct Form;

// Key codes with a meaning of their own. Characters are their own codes;
// a key without a character is kKeyScan plus its keyboard scan code.
constexpr int32_t kKeyClearScreen = 3;
constexpr int32_t kKeyDebugging = 4;
constexpr int32_t kKeyCtrlF = 6;
constexpr int32_t kKeyCtrlG = 7;
constexpr int32_t kKeyBackspace = 8;
constexpr int32_t kKeyTab = 9;
constexpr int32_t kKeyLineFeed = 10;
constexpr int32_t kKeyCtrlL = 12;
constexpr int32_t kKeyEnter = 13;
constexpr int32_t kKeyCtrlN = 14;
constexpr int32_t kKeyCtrlP = 16;
constexpr int32_t kKeyCtrlS = 19;
constexpr int32_t kKeyCtrlT = 20;
constexpr int32_t kKeyCtrlU = 21;
constexpr int32_t kKeyRepaint = 23;
constexpr int32_t kKeyCtrlX = 24;
constexpr int32_t kKeyCtrlY = 25;
constexpr int32_t kKeyEscape = 27;
constexpr int32_t kKeyScan = 4096;
constexpr int32_t kKeyShiftTab = 4111;
constexpr int32_t kKeyAltU = 4118;
constexpr int32_t kKeyPadEnter = 4124;
constexpr int32_t kKeyEndProgram = 4141;
constexpr int32_t kKeyClearField = 4148;
constexpr int32_t kKeyF1 = 4155;
constexpr int32_t kKeyF10 = 4164;
constexpr int32_t kKeyHome = 4167;
constexpr int32_t kKeyUp = 4168;
constexpr int32_t kKeyPageUp = 4169;
constexpr int32_t kKeyLeft = 4171;
constexpr int32_t kKeyRight = 4173;
constexpr int32_t kKeyEnd = 4175;
constexpr int32_t kKeyDown = 4176;
constexpr int32_t kKeyPageDown = 4177;
constexpr int32_t kKeyInsert = 4178;
constexpr int32_t kKeyDelete = 4179;
constexpr int32_t kKeyShiftF1 = 4180;
constexpr int32_t kKeyShiftF10 = 4189;
constexpr int32_t kKeyCtrlLeft = 4211;
constexpr int32_t kKeyCtrlRight = 4212;
constexpr int32_t kKeyCtrlUp = 4237;
constexpr int32_t kKeyCtrlDown = 4241;
constexpr int32_t kKeyProgrammable = 12357;

// The key word's scan code that, with character 4, stands for the
// programmable key.
constexpr uint8_t kProgrammableScan = 0xF5;

// Key-loop flags.
constexpr int32_t kLoopSendReply = 1;
constexpr int32_t kLoopPlayMacro = 2;

// Is `code` one of F1 to F24?
bool IsFunctionKey(int32_t code);

// Acts on the key that the key word (its character, then its scan code)
// names.
void TranslateKeyEvent(Terminal& t, uint8_t character, uint8_t scan);
void ProcessKey(Terminal& t, int32_t code, Form* form, int32_t rows, int32_t columns,
                KeyOptions options = {});

}  // namespace marl
