#include "input/input_queue.h"

#include <cstdio>
#include <cstring>

#include "base/guarded_alloc.h"
#include "forms/form.h"
#include "input/form_reply.h"
#include "input/key_processor.h"
#include "input/key_script.h"
#include "link/ping.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr const char* kSource = "keys";
constexpr int32_t kScanEntry = 0;
constexpr int32_t kKeyEntry = 1;

}  // namespace

// A scan's bytes (count of them, then a zero) follow the entry in its block.
struct InputEntry {
  int32_t kind;
  uint8_t label_type;
  int32_t count;
  int32_t key_code;
  char* Bytes() { return reinterpret_cast<char*>(this + 1); }
};

namespace {

bool Transmittable(int32_t code) {
  return code == kKeyEnter || code == kKeyLineFeed || code == kKeyPadEnter || code == kKeyEscape ||
         code == kKeyPageUp || code == kKeyPageDown || (code >= kKeyF1 && code <= kKeyF10) ||
         (code >= kKeyShiftF1 && code <= kKeyShiftF10);
}

bool Append(Terminal& t, InputEntry* entry) {
  InputState& in = t.input;
  if (in.count == in.capacity) {
    if (in.capacity > (INT32_MAX / int32_t(sizeof(InputEntry*))) - kQueueGrowth) return false;
    const int32_t capacity = in.capacity + kQueueGrowth;
    auto** grown = static_cast<InputEntry**>(
        GuardedAlloc(t, uint32_t(capacity) * sizeof(InputEntry*), kSource));
    if (grown == nullptr) return false;
    if (in.count > 0) std::memcpy(grown, in.queue, size_t(in.count) * sizeof(InputEntry*));
    GuardedFree(t, in.queue, kSource);
    in.queue = grown;
    in.capacity = capacity;
  }
  in.queue[in.count++] = entry;
  return true;
}

InputEntry* NewEntry(Terminal& t, int32_t kind, int32_t count) {
  const uint32_t extra = kind == kScanEntry ? uint32_t(count) + 1 : 0;
  auto* entry =
      static_cast<InputEntry*>(GuardedCalloc(t, uint32_t(sizeof(InputEntry)) + extra, 1, kSource));
  if (entry == nullptr) return nullptr;
  entry->kind = kind;
  entry->count = count;
  return entry;
}

// Takes the first entry out of the queue; the caller releases it.
InputEntry* TakeFirst(Terminal& t) {
  InputState& in = t.input;
  InputEntry* first = in.queue[0];
  std::memmove(in.queue, in.queue + 1, size_t(in.count - 1) * sizeof(InputEntry*));
  in.count--;
  return first;
}

}  // namespace

void ClearInputQueue(Terminal& t) {
  for (int32_t i = 0; i < t.input.count; ++i) GuardedFree(t, t.input.queue[i], kSource);
  GuardedFree(t, t.input.queue, kSource);
  t.input.queue = nullptr;
  t.input.count = 0;
  t.input.capacity = 0;
}

void QueueKeystroke(Terminal& t, int32_t code) {
  if (Transmittable(code) && t.session.text_dialect == 1) {
    ShowStatus(t, "Skipping Transmittable Key");
    return;
  }
  InputEntry* entry = NewEntry(t, kKeyEntry, 1);
  if (entry == nullptr) return;
  entry->key_code = code;
  if (!Append(t, entry)) {
    GuardedFree(t, entry, kSource);
    return;
  }
  ShowStatus(t, "Queued Keystroke");
}

void QueueScan(Terminal& t, int32_t length, const char* bytes, uint8_t label_type) {
  if (length < 0 || bytes == nullptr) length = 0;
  if (length > INT32_MAX - int32_t(sizeof(InputEntry)) - 1) return;
  InputEntry* entry = NewEntry(t, kScanEntry, length);
  if (entry == nullptr) return;
  entry->label_type = label_type;
  if (length > 0) std::memcpy(entry->Bytes(), bytes, size_t(length));
  if (!Append(t, entry)) {
    GuardedFree(t, entry, kSource);
    return;
  }
  ShowStatus(t, "Queued Scan");
}

void DrainInputQueue(Terminal& t, Form* form, int32_t rows, int32_t columns) {
  // The entry leaves the queue before it is replayed, so that whatever the
  // replay does to the queue cannot touch it.
  while (!IsWaitingForHost(t) && form != nullptr && t.input.count > 0) {
    InputEntry* entry = TakeFirst(t);
    if (entry->kind == kScanEntry) {
      ProcessScan(t, entry->count, entry->Bytes(), form, rows, columns, entry->label_type);
    } else {
      ProcessKey(t, entry->key_code, form, rows, columns);
    }
    GuardedFree(t, entry, kSource);
  }

  // The script is not played inside itself.
  if (IsScriptRunning(t)) return;
  SetScriptRunning(t, true);
  while (!IsWaitingForHost(t) && form != nullptr) {
    const int32_t v = NextScriptKey(t);
    if (v == 0) break;
    if (v < 2) continue;
    if (v & kScriptReplyBit) {
      t.keys.reply_letter = uint8_t(v & 0xFF);
      t.keys.reply_mode = 2;
      SendFormReply(t, v, form);
    } else {
      ProcessKey(t, v, form, rows, columns);
    }
  }
  SetScriptRunning(t, false);
}

void ReplayAfterForm(Terminal& t, Form* form) {
  DrainInputQueue(t, form, form->row_count, form->column_count);
  // Auto mode answers every form at once and shows how long the turn took.
  if (t.session.auto_mode) {
    ProcessKey(t, kKeyF1, form, form->row_count, form->column_count);
    const uint64_t now = t.platform->Now();
    char line[112];
    std::snprintf(line, sizeof line, "%s", FormatElapsed(t, t.session.auto_start, now, 1));
    DrawLines(t, 0, 0, line);
    t.platform->Sleep(100);
  }
}

}  // namespace marl
