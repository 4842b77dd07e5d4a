#include "commands/records.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "base/guarded_alloc.h"
#include "base/terminal_config.h"
#include "commands/commands.h"
#include "commands/preparse.h"
#include "commands/tables.h"
#include "forms/banks.h"
#include "forms/form.h"
#include "input/input_queue.h"
#include "input/key_maps.h"
#include "input/key_script.h"
#include "link/refusal.h"
#include "link/status_reply.h"
#include "link/transmit.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr char kMoreMarker[] = "**MoRe**";

bool IsLineEnd(char c) {
  return c == '\n' || c == '\r';
}

void ApplyTerminalParameters(Terminal& t, const HostRecord& record) {
  TerminalConfig& config = Config(t);
  const auto byte = [&](int i) { return static_cast<signed char>(record.text[i]); };
  config.parameter_char = static_cast<uint8_t>(record.text[1]);
  config.programmable_key = byte(2);
  config.beep_duration = byte(3) * 30;
  config.parameter4 = byte(4);
  config.parameter5 = byte(5);
  // Bytes 6 on configure a bar-code reader, which the simulated terminal
  // does not have.
}

void ShowBadCommand(Terminal& t, const HostRecord& record) {
  char text[128];
  const auto widened = [&](int i) {
    return unsigned(int32_t(static_cast<signed char>(record.text[i])));
  };
  std::snprintf(text, sizeof text, "Bad Command: %15.15s\n\n0x%x 0x%x 0x%x", record.text,
                widened(0), widened(1), widened(2));
  t.platform->MessageBox(nullptr, text, MessageBoxButtons::kOk);
}

}  // namespace

int32_t AssembleHostData(Terminal& t, const char* bytes, int32_t n) {
  RecordState& r = t.records;
  char* buffer = r.command_buffer;
  if (n <= 0) return 0;

  if (RecordKind(uint8_t(bytes[0])) == RecordKind::kBeep) {
    // A beep record stands alone and ends whatever was pending.
    if (n > kCommandBufferSize) n = kCommandBufferSize;
    std::memcpy(buffer, bytes, size_t(n));
    if (n > 2 && IsLineEnd(bytes[n - 1])) --n;
    buffer[n] = 0;
    r.write_position = -1;
    return n;
  }

  if (r.write_position < 0) {
    r.write_position = 0;
    r.fill = 0;
  }
  const int32_t room = kCommandBufferSize - r.fill;
  if (n > room) {
    char text[96];
    std::snprintf(text, sizeof text, "CmdBuf Overflow %ld > %ld/%ld", long(n), long(room),
                  long(kCommandBufferSize));
    t.platform->MessageBox(nullptr, text, MessageBoxButtons::kOk);
    NoteRefusal(t, "dropped", "past the end of the 4096-byte command buffer", bytes + room,
                n - room);
    n = room;
  }
  std::memcpy(buffer + r.write_position, bytes, size_t(n));
  r.write_position += n;
  r.fill += n;

  if (r.fill > r.marker_length &&
      std::memcmp(buffer + r.fill - r.marker_length, kMoreMarker, size_t(r.marker_length)) == 0) {
    r.fill -= r.marker_length;
    r.write_position -= r.marker_length;
    ShowStatus(t, "More......");
    return 0;
  }

  for (int32_t i = r.fill - 2; i < r.fill; ++i) {
    if (i < 0 || !IsLineEnd(buffer[i])) continue;
    if (i > 0 && buffer[i - 1] == '^') continue;
    buffer[i] = 0;
    r.fill = i;
    // A line end alone makes no record: the next chunk starts afresh.
    if (i == 0) r.write_position = -1;
    return i;
  }
  return 0;
}

int32_t ProcessHostData(Terminal& t, const char* bytes, const int32_t* length, int32_t extra) {
  const int32_t count = AssembleHostData(t, bytes, *length);
  if (count < 1) return -1;

  RecordState& r = t.records;
  char* buffer = r.command_buffer;
  int32_t start = 0;
  while (start < count) {
    // The kind byte is never a line end or an escape.
    int32_t i = start + 1;
    int32_t end = -1;
    while (i < count) {
      if (buffer[i] == '\n') {
        end = i;
        break;
      }
      i += buffer[i] == '^' ? 2 : 1;
    }
    int32_t record_length;
    int32_t next;
    if (end >= 0) {
      buffer[end] = 0;
      record_length = end - start;
      next = end + 1;
    } else {
      record_length = count - start + 1;  // the block's last record keeps its zero byte
      next = count + 1;
    }

    SetRecordHead(t, buffer + start, std::min(record_length, count - start));
    HostRecord* record = NewHostRecord(t, record_length, buffer + start);
    if (record == nullptr || record->text == nullptr) {
      FreeHostRecord(t, record);
      NoteRefusal(t, "dropped", "no memory for the record, nor for the rest of its block");
      break;
    }
    r.environment = {t.screen.rows, t.screen.columns, extra};
    start = next;

    if (static_cast<uint8_t>(record->text[0]) < kFirstBinaryKind) {
      if (PreparseRecord(t, record) == 0) {
        FreeHostRecord(t, record);
        if (start < count) {
          NoteRefusal(t, "dropped", "the rest of a block after a text record's error",
                      buffer + start, count - start);
        }
        break;
      }
      t.session.text_dialect = 1;
    }
    DispatchRecord(t, record, r.environment);
  }
  ClearRecordHead(t);
  r.write_position = -1;
  return 0;
}

void DispatchRecord(Terminal& t, HostRecord* record, const ScreenEnvironment& environment) {
  OwnedRecord owned = Own(t, record);
  record->command = record->text + kRecordPrefix;
  switch (RecordKind(uint8_t(record->text[0]))) {
    case RecordKind::kBeep:
      t.platform->Beep(1000, static_cast<signed char>(record->text[1]) * 250);
      break;
    case RecordKind::kCommand:
      RunCommand(t, owned.release(), environment);
      break;
    case RecordKind::kTerminalParameters:
      ApplyTerminalParameters(t, *record);
      break;
    case RecordKind::kReset:
      ResetTerminal(t, owned.release());
      break;
    default:
      ShowBadCommand(t, *record);
      ReleaseAndReply(t, owned, kStatusFailure);
      break;
  }
}

void ResetTerminal(Terminal& t, HostRecord* record) {
  ReleaseAllTables(t);
  FreeBanks(t);
  FreeKeyMaps(t);
  ClearKeyScript(t);
  ClearScreen(t);
  ClearWaitingForHost(t);
  ClearInputQueue(t);
  ResetTerminalConfig(t);
  FreeHostRecord(t, record);
  SendPowerUp(t, t.screen.rows, t.screen.columns);
}

}  // namespace marl
