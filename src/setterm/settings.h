// Settings lines ("key=value"), from the settings file or from the host's
// forms.
#pragma once

namespace marl {

struct Terminal;

void ApplySettingLine(Terminal& t, char* line);
void ApplySettingList(Terminal& t, char* text, char separator);

}  // namespace marl
