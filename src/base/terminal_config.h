// The terminal configuration the host sets, and the status-reply switch.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;

struct TerminalConfig {
  int32_t beep_duration = 120;  // ms
  int32_t parameter5 = 30000;
  int32_t parameter4 = 1;
  int32_t programmable_key = 32;
  uint8_t parameter_char = ' ';
};

struct SetTermState {
  TerminalConfig* config = nullptr;  // owned, guarded (SetTerm)
  int32_t status_replies = 1;
  TerminalConfig defaults;  // read in place of the configuration before it exists
};

void CreateTerminalConfig(Terminal& t);
void ResetTerminalConfig(Terminal& t);
// The configuration in force: the defaults until it has been created.
TerminalConfig& Config(Terminal& t);
void SetStatusReplies(Terminal& t, int32_t on);
int32_t StatusRepliesOn(Terminal& t);

}  // namespace marl
