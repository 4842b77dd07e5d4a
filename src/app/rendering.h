// Draw requests turned into text in the window's cells, and the splash.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace marl {

struct Terminal;
struct DrawRequest;

struct CellStyle {
  CellFont font = CellFont::kNormal;
  bool reverse = false;
  int32_t width = 11;
  int32_t height = 13;
};

CellStyle SelectCellFont(const Terminal& t, uint8_t attribute);
void DrawLineRequest(Terminal& t, DrawRequest& q);
void DrawTextRequest(Terminal& t, DrawRequest& q);
void ShowSplash(Terminal& t);

}  // namespace marl
