#include "app/settings_file.h"

#include <cstdio>

#include "app/app_state.h"
#include "base/settings.h"
#include "terminal.h"

namespace marl {

void ReadSettings(Terminal& t) {
  std::FILE* file = std::fopen(App(t).settings_path, "r");
  if (file == nullptr) return;
  char line[1000];
  while (std::fgets(line, sizeof line, file) != nullptr) ApplySettingLine(t, line);
  std::fclose(file);
}

uint32_t WriteScreenSize(Terminal& t, int32_t rows, int32_t columns) {
  std::FILE* file = std::fopen(App(t).settings_path, "w+");
  if (file == nullptr) return kSettingsCannotOpen;
  uint32_t result = 0;
  if (std::fprintf(file, "ROWS=%d\nCOLS=%d\n", int(rows), int(columns)) < 0) {
    result = kSettingsWriteFailed;
  }
  if (std::fclose(file) != 0) result = kSettingsWriteFailed;
  return result;
}

}  // namespace marl
