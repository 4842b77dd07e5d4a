#include "commands/commands.h"

#include <cstdio>
#include <cstring>

#include "base/chars.h"
#include "commands/bank_command.h"
#include "commands/key_map_command.h"
#include "commands/records.h"
#include "commands/screen_mode.h"
#include "commands/script_command.h"
#include "commands/tables.h"
#include "forms/banks.h"
#include "forms/form.h"
#include "forms/form_display.h"
#include "input/input_queue.h"
#include "input/key_maps.h"
#include "input/key_script.h"
#include "link/ping.h"
#include "link/status_reply.h"
#include "link/transmit.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

// Steps over n bytes, but never over the terminating zero.
const unsigned char* Skip(const unsigned char* p, int n) {
  while (n-- > 0 && *p != 0) ++p;
  return p;
}

// The bytes after "|X": either text without hexadecimal digits, skipped with
// the "|A" that ends it, or a run of hexadecimal pairs up to "|A" or the end.
// Returns 0 or 9; *p is left after the run.
int32_t CheckHexRun(const unsigned char*& p) {
  const unsigned char* end = p;
  bool has_hex = false;
  while (*end != 0 && !(end[0] == '|' && end[1] == 'A')) has_hex |= IsHex(*end++);
  if (!has_hex) {
    p = Skip(end, 2);
    return kStatusSuccess;
  }
  for (;;) {
    const unsigned char c = *p;
    if (c == 0) return kStatusSuccess;
    if (c == '|' && p[1] == 'A') {
      p += 2;
      return kStatusSuccess;
    }
    if (c == ' ' || c == '\\' || c == '|' || c < '0') {
      p = Skip(p, 2);
      continue;
    }
    if (!IsHex(c) || !IsHex(p[1])) return kStatusSyntax;
    p += 2;
  }
}

// The header word and the six header values of bytes 1 to 8.
void ReadHeader(HostRecord& record) {
  const auto* text = reinterpret_cast<const unsigned char*>(record.text);
  record.header = record.text + 1;
  record.header_word = uint32_t(text[1] & 0x7F) << 8 | uint32_t(text[2] & 0x7F);
  for (int i = 0; i < 6; ++i) record.header_values[i] = text[3 + i] & 0x7F;
}

void MakeCurrent(Terminal& t, Form* form) {
  if (form != nullptr) SetCurrentForm(t, form);
}

// Checks the arguments of a command that takes form text. On failure the
// code is sent (and the record goes with its owner); returns false then.
bool ArgumentsPass(Terminal& t, const HostRecord& record, bool strings_allowed) {
  const int32_t code = CheckArguments(t, record.command, nullptr, strings_allowed);
  if (code == kStatusSuccess) return true;
  SendStatus(t, code);
  return false;
}

// \nT with arguments: store the definition, then show it.
void StoreAndShow(Terminal& t, HostRecord* record, const ScreenEnvironment& environment) {
  const int32_t count = record->count;
  Form* form = nullptr;
  const int32_t code = StoreTable(t, record, &form);
  // From here the record belongs to the table slots: when the slot already
  // held a definition, StoreTable released it after merging it into a copy.
  // So it is not read again; showing takes the slot's record, which is it or
  // that copy, with the same header.
  if (code != kStatusSuccess) {
    SendStatus(t, code);
    return;
  }
  Form* current = GetCurrentForm(t);
  if (form != nullptr && (current == nullptr || (current->options & kOptionKeepForm) == 0)) {
    ShowForm(t, form);
    SetCurrentForm(t, form);
    DrainInputQueue(t, form, form->row_count, form->column_count);
    ClearWaitingForHost(t);
    return;
  }
  MakeCurrent(t, form);
  HostRecord* stored = t.tables.slots[count < kTableSlots ? count : 0];
  MakeCurrent(t, ShowStoredTable(t, count, environment, GetCurrentForm(t), 0, stored));
}

// \PING answers the ping test; any other \P is not supported.
void Ping(Terminal& t, OwnedRecord& record) {
  const auto* p = reinterpret_cast<const unsigned char*>(record->command);
  if (Upper(p[0]) == 'I' && Upper(p[1]) == 'N' && Upper(p[2]) == 'G') {
    PingReply(t);
    ClearWaitingForHost(t);
    return;
  }
  if (record->count < 0 && !ArgumentsPass(t, *record, false)) return;
  ReleaseAndReply(t, record, kStatusFailure);
}

// \IR reports the terminal's size; \IX injects a scan.
void Identify(Terminal& t, HostRecord& record, const ScreenEnvironment& environment) {
  char* p = record.command;
  switch (Upper(static_cast<unsigned char>(p[0]))) {
    case 'R': {
      char text[64];
      std::snprintf(text, sizeof text, "IR%d,%d,%s", int(GetTerminalRows(t)),
                    int(GetTerminalCols(t)), GetVersionText(t));
      Transmit(t, -1, text, "");
      t.session.text_dialect = 1;
      t.settings.setf0 = false;
      break;
    }
    case 'X': {
      t.session.text_dialect = p[1] == 'N' ? 0 : 1;
      char* scan = p[1] != 0 ? p + 2 : p + 1;
      ProcessScan(t, int32_t(std::strlen(scan)), scan, GetCurrentForm(t), environment.rows,
                  environment.columns, 1);
      break;
    }
    default:
      break;
  }
}

// Commands whose arguments are checked and that are not supported: the
// check's code, else 1.
void Unsupported(Terminal& t, OwnedRecord& record, bool strings_allowed) {
  if (!ArgumentsPass(t, *record, strings_allowed)) return;
  ReleaseAndReply(t, record, kStatusFailure);
}

// The record is released when the handler is done with it, except by the
// handlers that store it in a table slot, to which it is handed over.
void Dispatch(Terminal& t, OwnedRecord record, unsigned char letter,
              const ScreenEnvironment& environment) {
  switch (letter) {
    case kCommandShowStored:
      MakeCurrent(t, ShowRecordTable(t, record.get(), environment, GetCurrentForm(t)));
      return;
    case kCommandBanks:
      if (ArgumentsPass(t, *record, false)) BankCommand(t, std::move(record), environment);
      return;
    case kCommandScreenMode: {
      const int32_t code = SetScreenMode(t, record.get());
      ReleaseAndReply(t, record, code);
      return;
    }
    case kCommandNothing:
      return;
    case kCommandKeyMaps: {
      const int32_t code = LoadKeyMaps(t, record->length, record->text);
      ReleaseAndReply(t, record, code);
      return;
    }
    case kCommandIdentify:
      Identify(t, *record, environment);
      return;
    case kCommandKeyScript:
      RunKeyScript(t, std::move(record));
      return;
    case kCommandProgrammableKey:
      SetProgrammableKey(t, std::move(record));
      return;
    case kCommandPing:
      Ping(t, record);
      return;
    case kCommandQ:
    case kCommandR:
      Unsupported(t, record, true);
      return;
    case kCommandStore:
      if (ArgumentsPass(t, *record, true)) {
        Form* form = nullptr;
        SendStatus(t, StoreTable(t, record.release(), &form));
      }
      return;
    case kCommandStoreAndShow:
      if (record->count < 0) {
        const int32_t code = PlayTone(t, record->command);
        ReleaseAndReply(t, record, code);
      } else if (ArgumentsPass(t, *record, true)) {
        StoreAndShow(t, record.release(), environment);
      }
      return;
    case kCommandUpdate:
      if (ArgumentsPass(t, *record, false)) SendStatus(t, UpdateTable(t, record.release()));
      return;
    case kCommandUpdateAndShow:
      MakeCurrent(t, UpdateAndShowTable(t, record.release(), GetCurrentForm(t), environment));
      return;
    default:
      ReleaseAndReply(t, record, kStatusFailure);
      return;
  }
}

}  // namespace

void RunCommand(Terminal& t, HostRecord* record, const ScreenEnvironment& environment) {
  record->count = -1;
  ReadHeader(*record);
  // Bytes 6 to 8 configure a bar-code reader, which the simulated terminal
  // does not have.
  record->state = 0;

  char* body = record->text + kRecordPrefix;
  if (*body == '/') {
    MakeCurrent(t, HandleSlashRecord(t, record, environment));
    return;
  }
  if (*body != '\\') {
    // The table handler owns the record from here and releases it.
    MakeCurrent(t, ShowTableText(t, record, environment));
    return;
  }
  auto* p = reinterpret_cast<unsigned char*>(body + 1);
  if (IsDigit(*p)) {
    record->count = *p++ - '0';
    if (IsDigit(*p)) record->count = record->count * 10 + (*p++ - '0');
  }
  const unsigned char letter = Upper(*p);
  // An empty command leaves the pointer on the zero byte rather than past it.
  record->command = reinterpret_cast<char*>(letter != 0 ? p + 1 : p);
  Dispatch(t, Own(t, record), letter, environment);
}

int32_t CheckArguments(Terminal& t, const char* arguments, int32_t* backslashes,
                       bool strings_allowed) {
  const auto* p = reinterpret_cast<const unsigned char*>(arguments);
  const bool text_dialect = t.session.text_dialect == 1;
  if (*p == '/') ++p;
  int32_t count = 0;
  while (*p != 0) {
    const unsigned char c = *p;
    if (c == '\\' && strings_allowed) {
      // Every second backslash closes a string; a type byte and at least one
      // more byte must follow it.
      if (++count % 2 == 0) {
        if (p[1] == 0) return kStatusOpenString;
        if (p[1] == '\\' || p[2] == '\\' || p[2] == 0) return kStatusBadString;
      }
      ++p;
      continue;
    }
    if (c != '|') {
      ++p;
      continue;
    }
    const unsigned char m = p[1];
    if (IsDigit(m)) {
      if (!IsDigit(p[2])) return kStatusSyntax;
      p += 3;
    } else if (m == 'T' && text_dialect) {
      break;  // the rest is a settings list, not markup
    } else if (m == '|' || m == 'E' || m == 'L' || m == 'H' || m == 'A' || m == 'B' || m == 'C') {
      p += 2;
    } else if (m == 'D') {
      if (!IsDigit(p[2]) || !IsDigit(p[3])) return kStatusSyntax;
      if (t.banks.slots[(p[2] - '0') * 10 + (p[3] - '0')] == nullptr) return kStatusBadString;
      p += 4;
    } else if (m == 'X') {
      p += 2;
      if (CheckHexRun(p) != 0) return kStatusSyntax;
    } else if (text_dialect) {
      p = Skip(p, 2);
    } else {
      return kStatusSyntax;
    }
  }
  if (backslashes != nullptr) *backslashes = strings_allowed ? count : 0;
  return kStatusSuccess;
}

int32_t PlayTone(Terminal& t, const char* arguments) {
  constexpr int32_t kDurations[] = {50, 4, 50, 100, 200, 400, 800, 1600, 3200, 6400, 7999};
  const size_t length = std::strlen(arguments);
  if (length > 9) return kStatusToneLength;
  // Each field: three digits in range, or three blanks (absent). A field
  // wholly past the end of the arguments is absent too, so a bare \T sounds
  // the default tone; a field cut short by the end is an error.
  const auto field = [&](int index, int32_t low, int32_t high, int32_t* value) {
    const size_t at = size_t(index) * 3;
    *value = -1;
    if (at >= length) return true;
    const char* f = arguments + at;
    if (length - at < 3) return false;
    if (f[0] == ' ' && f[1] == ' ' && f[2] == ' ') return true;
    if (!IsDigit(f[0]) || !IsDigit(f[1]) || !IsDigit(f[2])) return false;
    *value = (f[0] - '0') * 100 + (f[1] - '0') * 10 + (f[2] - '0');
    return *value >= low && *value <= high;
  };
  int32_t volume;
  int32_t step;
  int32_t duration;
  if (!field(0, 0, 255, &volume)) return kStatusToneVolume;
  if (!field(1, 0, 30, &step)) return kStatusToneFrequency;
  if (!field(2, 1, 10, &duration)) return kStatusToneLength;
  const int32_t hz = step < 0 ? 1000 : step == 0 ? 20 : 300 * step;
  const int32_t ms = kDurations[duration < 0 ? 0 : duration];
  t.platform->Beep(hz, ms);  // the volume is checked only: the beeper has one
  return kStatusSuccess;
}

}  // namespace marl
