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

// Doubles the ring's block, the entries moved to its front in order.
bool Grow(Terminal& t) {
  InputState& in = t.input;
  constexpr int32_t kMostEntries = int32_t(UINT32_MAX / 2 / sizeof(InputEntry*));
  if (in.capacity >= kMostEntries) return false;
  const int32_t capacity = in.capacity == 0 ? kQueueFirstCapacity : in.capacity * 2;
  auto** grown = static_cast<InputEntry**>(
      GuardedAlloc(t, uint32_t(capacity) * uint32_t(sizeof(InputEntry*)), kSource));
  if (grown == nullptr) return false;
  for (int32_t i = 0; i < in.count; ++i) grown[i] = in.queue[(in.head + i) % in.capacity];
  GuardedFree(t, in.queue, kSource);
  in.queue = grown;
  in.head = 0;
  in.capacity = capacity;
  return true;
}

bool Append(Terminal& t, InputEntry* entry) {
  InputState& in = t.input;
  if (in.count == in.capacity && !Grow(t)) return false;
  in.queue[(in.head + in.count) % in.capacity] = entry;
  in.count++;
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
  InputEntry* first = in.queue[in.head];
  in.head = (in.head + 1) % in.capacity;
  in.count--;
  return first;
}

}  // namespace

void ClearInputQueue(Terminal& t) {
  InputState& in = t.input;
  for (int32_t i = 0; i < in.count; ++i) {
    GuardedFree(t, in.queue[(in.head + i) % in.capacity], kSource);
  }
  GuardedFree(t, in.queue, kSource);
  in = InputState{};
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
