#include "base/terminal_config.h"

#include <new>

#include "base/guarded_alloc.h"
#include "terminal.h"

namespace marl {

void CreateTerminalConfig(Terminal& t) {
  if (t.setterm.config != nullptr) return;
  void* block = GuardedAlloc(t, sizeof(TerminalConfig), "SetTerm");
  if (block != nullptr) t.setterm.config = new (block) TerminalConfig();
}

void ResetTerminalConfig(Terminal& t) {
  if (t.setterm.config != nullptr) *t.setterm.config = TerminalConfig();
}

TerminalConfig& Config(Terminal& t) {
  if (t.setterm.config != nullptr) return *t.setterm.config;
  t.setterm.defaults = TerminalConfig();
  return t.setterm.defaults;
}

void SetStatusReplies(Terminal& t, bool on) {
  t.setterm.status_replies = on;
}
bool StatusRepliesOn(Terminal& t) {
  return t.setterm.status_replies;
}

}  // namespace marl
