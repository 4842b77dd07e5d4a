#include "setterm/settings.h"

#include "terminal.h"

namespace marl {

// Not built yet.
void ApplySettingLine(Terminal&, char*) {}
void ApplySettingList(Terminal&, char*, char) {}

}  // namespace marl
