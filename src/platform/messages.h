// Window messages and virtual keys carry the numbers of the window system the
// terminal was designed around, so every message and key table applies as it
// stands.
#pragma once

#include <cstdint>

namespace marl {

constexpr uint32_t kWmCreate = 1;
constexpr uint32_t kWmDestroy = 2;
constexpr uint32_t kWmPaint = 15;
constexpr uint32_t kWmKeyDown = 256;
constexpr uint32_t kWmChar = 258;
constexpr uint32_t kWmSysKeyDown = 260;
constexpr uint32_t kWmLButtonDown = 513;
constexpr uint32_t kWmHotKey = 786;

constexpr uint32_t kWmUser = 1024;
constexpr uint32_t kWmDrawLine = kWmUser + 30;  // 1054
constexpr uint32_t kWmDrawText = kWmUser + 31;  // 1055
constexpr uint32_t kWmHostData = kWmUser + 32;  // 1056
constexpr uint32_t kWmSpare59 = kWmUser + 35;   // 1059
constexpr uint32_t kWmSpare60 = kWmUser + 36;   // 1060

// Hot-key ids, the wparam of kWmHotKey.
constexpr uint32_t kHotKeyEnd = 0;  // 0 and 1 both end the program
constexpr uint32_t kHotKeyEndProgram = 1;
constexpr uint32_t kHotKeyClearField = 2;
constexpr uint32_t kHotKeyProgrammable = 3;
constexpr uint32_t kHotKeyAutoMode = 4;
constexpr uint32_t kHotKeyPowerUp = 5;  // 5 and 11 both send it
constexpr uint32_t kHotKeyPing = 6;
constexpr uint32_t kHotKeyClearScreen = 7;
constexpr uint32_t kHotKeyScreenSetup = 9;
constexpr uint32_t kHotKeyPowerUpToo = 11;
constexpr uint32_t kHotKeyAutoEnter = 12;  // Enter, while auto mode is on

// Virtual keys.
constexpr uint32_t kVkBack = 0x08;
constexpr uint32_t kVkTab = 0x09;
constexpr uint32_t kVkReturn = 0x0D;
constexpr uint32_t kVkEscape = 0x1B;
constexpr uint32_t kVkSpace = 0x20;
constexpr uint32_t kVkPrior = 0x21;
constexpr uint32_t kVkNext = 0x22;
constexpr uint32_t kVkEnd = 0x23;
constexpr uint32_t kVkHome = 0x24;
constexpr uint32_t kVkLeft = 0x25;
constexpr uint32_t kVkUp = 0x26;
constexpr uint32_t kVkRight = 0x27;
constexpr uint32_t kVkDown = 0x28;
constexpr uint32_t kVkInsert = 0x2D;
constexpr uint32_t kVkDelete = 0x2E;
constexpr uint32_t kVkF1 = 0x70;  // F1 to F24 are 0x70 to 0x87
constexpr uint32_t kVkF4 = 0x73;
constexpr uint32_t kVkF10 = 0x79;

}  // namespace marl
