// What every layer of the terminal shares: the allocator's counters, the
// configuration the host sets, the settings switches and the flags that say
// how the terminal talks with its host right now.
#pragma once

#include <cstdint>

namespace marl {

struct AllocState {
  int32_t allocations = 0;
  int32_t releases = 0;
  int32_t bytes_in_use = 0;
  int32_t peak = 0;
  // Drawing the statistics allocates too; this keeps a new peak reached while
  // drawing them from drawing them again, without end.
  bool showing_stats = false;
};

struct TerminalConfig {
  int32_t beep_duration = 120;  // ms
  int32_t parameter5 = 30000;
  int32_t parameter4 = 1;
  int32_t programmable_key = 32;
  uint8_t parameter_char = ' ';
};

struct SetTermState {
  TerminalConfig* config = nullptr;  // owned, guarded (SetTerm)
  bool status_replies = true;
  TerminalConfig defaults;  // read in place of the configuration before it exists
};

struct SettingsState {
  bool setf0 = false;             // the SETF0 switch, read by the key maps
  bool host_size_warned = false;  // a host's size beyond the bound has been said
};

struct SessionState {
  // The waiting-for-host flag: set when a reply or the power-up has gone out;
  // keys and scans are queued while it is set.
  bool waiting = false;
  // The text dialect: set from start-up, switched by the host's IX command.
  int32_t text_dialect = 1;
  bool auto_mode = false;
  uint64_t auto_start = 0;  // file time when auto mode began
};

}  // namespace marl
