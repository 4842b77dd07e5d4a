// Settings lines ("key=value"), from the settings file or from the host's
// forms.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;

struct SettingsState {
  int32_t setf0 = 0;  // the SETF0 switch, read by the key maps
};

void ApplySettingLine(Terminal& t, char* line);
void ApplySettingList(Terminal& t, char* text, char separator);

}  // namespace marl
