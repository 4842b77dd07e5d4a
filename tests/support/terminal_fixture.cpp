#include "terminal_fixture.h"

#include "app/main_window.h"
#include "base/terminal_config.h"
#include "commands/records.h"
#include "forms/form.h"
#include "platform/messages.h"
#include "screen/display.h"

namespace marl::testing {

TestTerminal::TestTerminal(int32_t rows, int32_t columns, std::unique_ptr<CorePlatform> platform)
    : platform_(platform ? std::move(platform) : std::make_unique<CorePlatform>()),
      terminal_(std::make_unique<Terminal>(platform_.get())) {
  platform_->Attach(terminal_.get());
  Terminal& term = *terminal_;
  SetScreenRows(term, rows);
  SetScreenCols(term, columns);
  SetTerminalCols(term, columns);
  SetTerminalRows(term, rows);
  MainWindowProc(term, kWmCreate, 0, 0);
  CreateTerminalConfig(term);
  ResizeScreenGrid(term);
  term.link.capture_sends = true;
  platform_->TakeEvents();
}

int32_t TestTerminal::Host(std::string_view bytes) {
  const int32_t length = int32_t(bytes.size());
  return ProcessHostData(*terminal_, bytes.data(), &length, 0);
}

bool TestTerminal::ShowedMemoryError() {
  for (const std::string& e : platform_->TakeEvents()) {
    if (e.rfind("msgbox \"Memory Error!\"", 0) == 0) return true;
  }
  return false;
}

std::string TestTerminal::GridRow(int32_t row) const {
  const ScreenState& s = terminal_->screen;
  return std::string(s.grid + size_t(row) * size_t(s.columns), size_t(s.columns));
}

}  // namespace marl::testing
