#include "commands/key_map_command.h"

#include <cstdio>
#include <cstring>

#include "base/guarded_alloc.h"
#include "base/host_record.h"
#include "base/terminal_config.h"
#include "input/key_maps.h"
#include "link/status_reply.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr const char* kSource = "keys";

// Programmable key codes chosen by the O command's digit.
constexpr int32_t kProgrammableCodes[10] = {8, 4178, 4179, 4148, 4171, 4173, 4168, 4176, 32, 32};

bool FileExists(const char* name) {
  std::FILE* f = std::fopen(name, "r");
  if (f == nullptr) return false;
  std::fclose(f);
  return true;
}

}  // namespace

int32_t LoadKeyMaps(Terminal& t, int32_t length, const char* text) {
  FreeKeyMaps(t);
  if (text == nullptr || length < 0) return kStatusSyntax;
  // The record's text ends at its length or at its zero byte.
  const char* end = static_cast<const char*>(std::memchr(text, 0, size_t(length)));
  if (end == nullptr) end = text + length;

  const char* p = static_cast<const char*>(std::memchr(text, 'F', size_t(end - text)));
  if (p == nullptr || p + 1 >= end || p[1] != '\\') {
    FreeKeyMaps(t);
    return kStatusSyntax;
  }
  p += 2;

  if (t.session.text_dialect != 1) {
    // Older hosts send a map for the key that the terminal itself keeps; a
    // marker file (or the settings switch) says this one does.
    const bool skip = FileExists("C:F1MAP1") || FileExists("C:F1MAP1.") || t.settings.setf0 != 0;
    if (skip) {
      while (p < end && *p != '\\') ++p;
      if (p < end) ++p;
    }
  }

  for (int32_t slot = 0; p < end; ++slot) {
    if (slot == kKeyMapCount) {
      FreeKeyMaps(t);
      return kStatusSyntax;
    }
    char load[kKeyMapMaxLength + 1] = {};
    int32_t n = 0;
    while (p < end && *p != '\\') {
      if (n == kKeyMapMaxLength) {
        FreeKeyMaps(t);
        return kStatusNoRoom;
      }
      load[n++] = *p++;
    }
    t.key_maps.maps[slot] = GuardedCopy(t, load, n, kSource);
    if (t.key_maps.maps[slot] == nullptr) {
      // Half a set of maps would send keys the host does not expect.
      t.platform->WriteStdout("\nMALLOC ERROR!");
      FreeKeyMaps(t);
      return kStatusFailure;
    }
    if (p < end) ++p;  // the backslash
  }
  return kStatusSuccess;
}

void SetProgrammableKey(Terminal& t, OwnedRecord record) {
  const char* command = record != nullptr ? record->command : nullptr;
  const char c = command != nullptr ? command[0] : 0;
  if (c >= '0' && c <= '9') {
    Config(t).programmable_key = kProgrammableCodes[c - '0'];
    SendStatus(t, kStatusSuccess);
    return;
  }
  // Each draw-line request goes where the last one left the cursor.
  DrawAt(t, t.screen.draw.row, t.screen.draw.column, 19, "Invalid O_ command:", 0);
  char shown[21];
  std::snprintf(shown, sizeof shown, "%20.20s",
                record != nullptr && record->text != nullptr ? record->text : "");
  DrawAt(t, t.screen.draw.row, t.screen.draw.column, 20, shown, 0);
  SendStatus(t, kStatusSyntax);
}

}  // namespace marl
