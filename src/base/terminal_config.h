// The terminal configuration the host sets, and the status-reply switch.
#pragma once

#include <cstdint>

#include "base/base_state.h"

namespace marl {

struct Terminal;

void CreateTerminalConfig(Terminal& t);
void ResetTerminalConfig(Terminal& t);
// The configuration in force: the defaults until it has been created.
TerminalConfig& Config(Terminal& t);
void SetStatusReplies(Terminal& t, bool on);
bool StatusRepliesOn(Terminal& t);

}  // namespace marl
