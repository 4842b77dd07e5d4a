// One simulated terminal: the state of every subsystem in one value, and the
// platform it runs on. There is no other mutable state in the terminal, so a
// test builds a fresh one and a process can run many.
#pragma once

#include "app/app_state.h"
#include "base/guarded_alloc.h"
#include "base/settings.h"
#include "base/terminal_config.h"
#include "commands/records.h"
#include "commands/tables.h"
#include "forms/banks.h"
#include "forms/form.h"
#include "input/input_queue.h"
#include "input/key_maps.h"
#include "input/key_processor.h"
#include "input/key_script.h"
#include "link/link.h"
#include "platform/platform.h"
#include "screen/display.h"

namespace marl {

struct Terminal {
  explicit Terminal(Platform* p) : platform(p) {}
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  Platform* platform;
  AllocState alloc;
  ScreenState screen;
  RecordState records;
  BankState banks;
  ScriptState script;
  FormsState forms;
  TableState tables;
  InputState input;
  KeyMapState key_maps;
  KeyState keys;
  LinkState link;
  SetTermState setterm;
  SettingsState settings;
  AppState app;
};

// Gives back everything the terminal holds, without drawing or sending.
void ReleaseTerminal(Terminal& t);

}  // namespace marl
