#include "app/screen_setup.h"

#include <cstring>
#include <string>

#include "app/app_state.h"
#include "app/rendering.h"
#include "app/settings_file.h"
#include "base/guarded_alloc.h"
#include "base/screen_size.h"
#include "base/settings.h"
#include "forms/form.h"
#include "platform/messages.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr int32_t kSetupWidth = 300;
constexpr int32_t kSetupHeight = 275;

struct Label {
  int32_t row;
  const char* text;
};
constexpr Label kLabels[] = {
    {1, "COLS:"},
    {3, "ROWS:"},
    {5, "Press Enter to Save"},
    {6, "Esc to Cancel"},
    {7, "Press CTRL-P after Save."},
    {9, "Press CTRL-F1 to"},
    {10, "return to this screen."},
    {13, "Standard Screen Sizes"},
    {14, "20 Cols by 16 Rows"},
    {15, "21 Cols by 15 Rows"},
    {16, "32 Cols by 16 Rows"},
    {17, "24 Cols by 21 Rows"},
};

// COLS and ROWS, each with its neighbours.
struct RingLink {
  int32_t next;
  int32_t previous;
};
constexpr RingLink kFocusRing[2] = {{1, 1}, {0, 0}};

void DestroyFields(Terminal& t) {
  SetupWindowState& s = App(t).setup;
  for (int32_t& id : s.fields) {
    if (id > 0) t.platform->DestroyEditField(id);
    id = 0;
  }
}

// At most two characters of the field, read as a decimal number and taken
// as read, a sign included: the settings file and the power-up say what the
// user typed, and the screen treats a size below zero as no size at all.
int32_t ReadField(Terminal& t, int32_t id) {
  const std::string text = t.platform->EditFieldText(id).substr(0, 2);
  return ReadSettingNumber(text.c_str());
}

void Save(Terminal& t) {
  SetupWindowState& s = App(t).setup;
  const int32_t columns = BoundScreenSide(t, ReadField(t, s.fields[0]), "setup", "COLS");
  const int32_t rows = BoundScreenSide(t, ReadField(t, s.fields[1]), "setup", "ROWS");
  WriteScreenSize(t, rows, columns);
  SetScreenCols(t, columns);
  SetScreenRows(t, rows);
  SetTerminalCols(t, columns);
  SetTerminalRows(t, rows);
}

}  // namespace

bool OpenScreenSetup(Terminal& t, int32_t first_start) {
  SetupWindowState& s = App(t).setup;
  if (s.open) return false;
  Platform& p = *t.platform;
  const int32_t x = App(t).display_width / 3;
  const int32_t y = App(t).display_height / 3;
  if (!p.CreateSetupWindow({x, y, x + kSetupWidth, y + kSetupHeight})) return false;

  EditFieldSpec cols;
  cols.rect = {90, 13, 90 + 33, 13 + 15};
  EditFieldSpec rows;
  rows.rect = {90, 39, 90 + 33, 39 + 15};
  rows.digits_only = true;
  s.fields[0] = p.CreateEditField(cols);
  s.fields[1] = p.CreateEditField(rows);
  if (s.fields[0] <= 0 || s.fields[1] <= 0) {
    DestroyFields(t);
    p.DestroySetupWindow();
    return false;
  }
  p.SetEditFieldText(s.fields[0], first_start ? "20" : "");
  p.SetEditFieldText(s.fields[1], first_start ? "16" : "");

  DrawRequest& q = t.screen.draw;
  for (const Label& label : kLabels) {
    const int32_t length = int32_t(std::strlen(label.text));
    char* text = GuardedCopy(t, label.text, length, "MrpDazAre");
    if (text == nullptr) continue;
    GuardedFree(t, q.text, "MrpDazAre");
    q.row = label.row;
    q.column = 1;
    q.text = text;
    q.length = length;
    q.attribute = 0;
    SetupWindowProc(t, kWmDrawText, reinterpret_cast<uintptr_t>(&q), 0);
  }

  s.focus = 0;
  p.FocusEditField(s.fields[0]);
  s.open = true;
  s.done = false;
  return true;
}

bool ScreenSetupKey(Terminal& t, uint32_t virtual_key, bool shift) {
  SetupWindowState& s = App(t).setup;
  if (!s.open || s.done) return false;
  switch (virtual_key) {
    case kVkTab:
      s.focus = shift ? kFocusRing[s.focus].previous : kFocusRing[s.focus].next;
      t.platform->FocusEditField(s.fields[s.focus]);
      return true;
    case kVkReturn:
      Save(t);
      s.done = true;
      return true;
    case kVkEscape:
      s.done = true;
      return true;
    default:
      return false;
  }
}

void CloseScreenSetup(Terminal& t) {
  SetupWindowState& s = App(t).setup;
  if (!s.open) return;
  DestroyFields(t);
  if (!t.platform->DestroySetupWindow()) {
    t.platform->MessageBox(nullptr, "Setup DestroyWindow Failed", MessageBoxButtons::kOk);
  }
  s.open = false;
  s.done = false;
}

bool ScreenSetupOpen(const Terminal& t) {
  return App(t).setup.open;
}

int32_t ScreenSetupFocus(const Terminal& t) {
  return App(t).setup.open ? App(t).setup.fields[App(t).setup.focus] : 0;
}

void ScreenSetup(Terminal& t, int32_t first_start) {
  if (!OpenScreenSetup(t, first_start)) return;
  t.platform->RunNestedLoop([&t] { return App(t).setup.done; });
  CloseScreenSetup(t);
}

intptr_t SetupWindowProc(Terminal& t, uint32_t message, uintptr_t wparam, intptr_t) {
  if (message == kWmDrawLine || message == kWmDrawText) {
    auto* q = reinterpret_cast<DrawRequest*>(wparam);
    q->window = &App(t).setup;
    DrawTextRequest(t, *q);
  }
  return 0;
}

}  // namespace marl
