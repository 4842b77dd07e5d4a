// One simulated terminal: the state of every subsystem in one value, and the
// platform it runs on. There is no other mutable state in the terminal, so a
// test builds a fresh one and a process can run many.
#pragma once

#include "base/base_state.h"
#include "base/hooks.h"
#include "commands/commands_state.h"
#include "forms/forms_state.h"
#include "input/input_state.h"
#include "link/link.h"
#include "platform/platform.h"
#include "screen/screen_state.h"

namespace marl {

// State that a layer above the terminal keeps for it (the app's window):
// the terminal carries it without knowing what it is, and lets it go with
// itself.
struct Attachment {
  void* data = nullptr;
  void (*release)(void* data) = nullptr;
};

struct Terminal {
  // Sets the hooks to the layers' own operations.
  explicit Terminal(Platform* p);
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  Platform* platform;
  Hooks hooks;
  // base
  AllocState alloc;
  SetTermState setterm;
  SettingsState settings;
  SessionState session;
  // screen
  ScreenState screen;
  // link
  LinkState link;
  // forms
  FormsState forms;
  BankState banks;
  TableState tables;
  // input
  InputState input;
  KeyState keys;
  KeyMapState key_maps;
  ScriptState script;
  // commands
  RecordState records;
  Attachment attachment;
};

// Gives back everything the terminal holds, without drawing or sending.
void ReleaseTerminal(Terminal& t);

}  // namespace marl
