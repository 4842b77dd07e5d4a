#include "terminal.h"

#include "link/connection.h"

namespace marl {

Terminal::~Terminal() {
  ReleaseTerminal(*this);
}

void ReleaseTerminal(Terminal& t) {
  ReleaseLink(t);
  ReleaseAllTables(t);
  ReleaseTableForms(t);
  FreeBanks(t);
  FreeKeyMaps(t);
  ClearKeyScript(t);
  ClearInputQueue(t);
  GuardedFree(t, t.screen.draw.text, __LINE__, "vorrick");
  t.screen.draw.text = nullptr;
  FreeScreenGrid(t);
  GuardedFree(t, t.setterm.config, __LINE__, "SetTerm");
  t.setterm.config = nullptr;
}

}  // namespace marl
