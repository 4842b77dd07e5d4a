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
void SetStatusReplies(Terminal& t, int32_t on);
int32_t StatusRepliesOn(Terminal& t);

}  // namespace marl
