// The scan entry box: a small window in which a person types what a scanner
// would read; Enter delivers it as one scan, Esc forgets it.
#include <algorithm>
#include <utility>

#include "terminal.h"
#include "ui/core/recorder.h"
#include "ui/core/window_input.h"
#include "ui/pixels/code_page.h"
#include "ui/pixels/glyph_atlas.h"
#include "ui/sdl/sdl_platform.h"

namespace marl {

namespace {

constexpr int32_t kBoxWidth = 360;
constexpr int32_t kBoxHeight = 41;
constexpr size_t kMaxScan = 4000;
constexpr int32_t kFieldCells = 31;

Picture BoxPicture(const GlyphAtlas& atlas, const std::string& text, bool caret) {
  Picture p;
  p.Reset(kBoxWidth, kBoxHeight);
  const std::string label = "Scan: Enter sends, Esc cancels";
  TextDraw draw;
  draw.rect = {4, 2, kBoxWidth, 15};
  draw.text = label;
  PaintText(p, atlas, draw);
  // The field shows the end of a long scan.
  const std::string shown =
      text.size() > size_t(kFieldCells) ? text.substr(text.size() - kFieldCells) : text;
  PaintEditField(p, atlas, {4, 20, kBoxWidth - 4, 35}, shown, caret);
  return p;
}

}  // namespace

void SdlPlatform::ScanBox() {
  int x = 0, y = 0;
  SDL_GetWindowPosition(main_, &x, &y);
  SDL_Window* box =
      SDL_CreateWindow("Scan", x, y, kBoxWidth * zoom_, kBoxHeight * zoom_, SDL_WINDOW_SHOWN);
  if (box == nullptr) return;
  SDL_RaiseWindow(box);
  std::string text;
  bool deliver = false;
  bool open = true;
  bool box_dirty = true;
  // The text of the key that opened the box may still be on its way.
  bool skip_text = true;
  while (open && !Ending()) {
    if (box_dirty) {
      ShowPicture(box, BoxPicture(*core_.atlas(), text, true), zoom_);
      box_dirty = false;
    }
    PresentIfDirty();
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, 100) == 0) continue;
    box_dirty = true;
    if (e.type == wake_event_) {
      // The host goes on being served while the box is open.
      core_.PumpHostData(0);
    } else if (e.type == SDL_QUIT) {
      close_requested_ = true;
      open = false;
    } else if (e.type == SDL_WINDOWEVENT) {
      if (e.window.event != SDL_WINDOWEVENT_CLOSE) {
        Changed();
      } else {
        if (SDL_GetWindowID(box) != e.window.windowID) close_requested_ = true;
        open = false;
      }
    } else if (e.type == SDL_KEYDOWN) {
      skip_text = false;
      const SDL_Keycode key = e.key.keysym.sym;
      if (key == SDLK_RETURN || key == SDLK_KP_ENTER) {
        deliver = true;
        open = false;
      } else if (key == SDLK_ESCAPE) {
        open = false;
      } else if (key == SDLK_BACKSPACE && !text.empty()) {
        text.pop_back();
      }
    } else if (e.type == SDL_TEXTINPUT && std::exchange(skip_text, false)) {
      continue;
    } else if (e.type == SDL_TEXTINPUT) {
      text += ToCodePage(e.text.text);
      if (text.size() > kMaxScan) text.resize(kMaxScan);
    }
  }
  SDL_DestroyWindow(box);
  Changed();
  // The key that opened the box typed nothing; neither does the one that
  // closed it.
  swallow_text_ = true;
  if (deliver && !Ending()) {
    if (recorder_ != nullptr) recorder_->Scan(text);
    DeliverScan(terminal(), text);
  }
}

}  // namespace marl
