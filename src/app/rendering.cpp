#include "app/rendering.h"

#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "base/guarded_alloc.h"
#include "platform/messages.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr const char* kSource = "MrpDazAre";

int32_t TextLength(const DrawRequest& q) {
  return q.text == nullptr ? 0 : int32_t(std::strlen(q.text));
}

void Draw(Terminal& t, const DrawRequest& q, const CellStyle& style, std::string_view text) {
  TextDraw draw;
  draw.rect = q.rectangle;
  draw.row = q.row;
  draw.column = q.column;
  draw.cell_width = style.width;
  draw.font = style.font;
  draw.reverse = style.reverse;
  draw.text = text;
  draw.window = q.window == &App(t).setup ? kSetupWindow : kMainWindow;
  if (!t.platform->DrawText(draw)) {
    t.platform->MessageBox(nullptr, "DrawText Failed", MessageBoxButtons::kOk);
  }
}

void ResetRequest(DrawRequest& q) {
  q.spare = 0;
  q.text = nullptr;
  q.attribute = 0;
  q.length = 0;
}

}  // namespace

CellStyle SelectCellFont(const Terminal& t, uint8_t attribute) {
  CellStyle style;
  style.width = t.screen.run_drawing ? kNarrowCellWidth : kCellWidth;
  style.height = kRowHeight;
  style.reverse = attribute & kAttrReverse;
  const bool underlined = attribute & kAttrUnderline;
  style.font = underlined ? CellFont::kUnderlined : CellFont::kNormal;
  if (attribute & kAttrBold) {
    style.width = kNarrowCellWidth;
    style.font = underlined ? CellFont::kBoldUnderlined : CellFont::kBold;
  }
  return style;
}

void DrawLineRequest(Terminal& t, DrawRequest& q) {
  const CellStyle style = SelectCellFont(t, q.attribute);
  q.length = TextLength(q);
  const int32_t top = q.row * kRowHeight;
  q.rectangle = {q.column * style.width, top, App(t).client_width, top + kRowHeight};
  Draw(t, q, style, std::string_view(q.text ? q.text : "", size_t(q.length)));
  GuardedFree(t, q.text, kSource);
  SetCursor(t, q.row + 1, 0);
  ResetRequest(q);
}

void DrawTextRequest(Terminal& t, DrawRequest& q) {
  t.platform->HideCaret();
  const CellStyle style = SelectCellFont(t, q.attribute);
  std::string_view text;
  if (q.length > 1) {
    q.length = TextLength(q);
    text = std::string_view(q.text, size_t(q.length));
  } else if (q.text != nullptr) {
    text = std::string_view(q.text, 1);
  }
  const int32_t left = q.column * style.width;
  const int32_t top = q.row * kRowHeight;
  q.rectangle = {left, top, left + q.length * style.width, top + kRowHeight};
  Draw(t, q, style, text);
  // A one-character text belongs to the caller, who may pass its own storage.
  if (q.length > 1) GuardedFree(t, q.text, kSource);
  SetCursor(t, q.row, q.column + q.length);
  ResetRequest(q);
  t.platform->ShowCaret();
}

void ShowSplash(Terminal& t) {
  char version[32];
  std::snprintf(version, sizeof version, "Version %s", "2.30");
  const struct {
    int32_t row;
    const char* text;
  } lines[] = {{4, "CORVANEX"}, {7, "Marlpoint Simulator"}, {9, version}, {12, "Windows NT/2000"}};
  DrawRequest& q = t.screen.draw;
  for (const auto& line : lines) {
    const int32_t length = int32_t(std::strlen(line.text));
    SetCursor(t, line.row, (t.screen.columns - length) / 2);
    q.text = GuardedCopy(t, line.text, length, kSource);
    if (q.text == nullptr) continue;
    q.length = length;
    q.attribute = 0;
    t.platform->SendMessage(kWmDrawText, reinterpret_cast<uintptr_t>(&q), 0);
  }
}

}  // namespace marl
