#include "terminal.h"

#include "base/guarded_alloc.h"
#include "commands/tables.h"
#include "forms/banks.h"
#include "forms/form.h"
#include "input/input_queue.h"
#include "input/key_maps.h"
#include "input/key_script.h"
#include "link/connection.h"
#include "screen/display.h"

namespace marl {

Terminal::Terminal(Platform* p) : platform(p) {
  hooks.heap_peak = ShowHeapStats;
  hooks.heap_damage = [](Terminal& t) { SetCursor(t, 0, 0); };
  hooks.release_form = FreeForm;
  hooks.set_screen_rows = SetScreenRows;
  hooks.set_screen_columns = SetScreenCols;
  hooks.form_shown = ReplayAfterForm;
}

Terminal::~Terminal() {
  ReleaseTerminal(*this);
  if (attachment.release != nullptr) attachment.release(attachment.data);
  attachment = {};
}

void ReleaseTerminal(Terminal& t) {
  ReleaseLink(t);
  ReleaseAllTables(t);
  ReleaseTableForms(t);
  FreeBanks(t);
  FreeKeyMaps(t);
  ReleaseKeyScript(t);
  ClearInputQueue(t);
  GuardedFree(t, t.screen.draw.text, "vorrick");
  t.screen.draw.text = nullptr;
  FreeScreenGrid(t);
  GuardedFree(t, t.setterm.config, "SetTerm");
  t.setterm.config = nullptr;
}

}  // namespace marl
