#include "base/host_record.h"

#include <cstring>
#include <new>

#include "base/guarded_alloc.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr const char* kSource = "Utility";

}  // namespace

HostRecord* NewHostRecord(Terminal& t, int32_t length, const char* bytes) {
  void* block = GuardedCalloc(t, 1, sizeof(HostRecord), kSource);
  if (block == nullptr) return nullptr;
  auto* record = new (block) HostRecord();
  if (length < 0) length = 0;
  // Every handler may read the 9-byte prefix and the body after it; a short
  // record gets zero bytes there instead of whatever followed it in memory.
  const int32_t size = length + 1 < kRecordPrefix + 1 ? kRecordPrefix + 1 : length + 1;
  record->text = static_cast<char*>(GuardedCalloc(t, uint32_t(size), 1, kSource));
  if (record->text != nullptr && length > 0) std::memcpy(record->text, bytes, size_t(length));
  record->length = length;
  record->count = 0;
  record->guard = kRecordAlive;
  return record;
}

HostRecord* CloneHostRecord(Terminal& t, int32_t length, const char* bytes,
                            const HostRecord* source) {
  HostRecord* record = NewHostRecord(t, length, bytes);
  if (record == nullptr) return nullptr;
  char* text = record->text;
  const int32_t new_length = record->length;
  *record = *source;
  record->text = text;
  record->length = new_length;
  if (text != nullptr && source->text != nullptr) {
    if (source->command != nullptr) record->command = text + (source->command - source->text);
    if (source->header != nullptr) record->header = text + (source->header - source->text);
  }
  return record;
}

void FreeHostRecord(Terminal& t, HostRecord* record) {
  if (record == nullptr || record->guard != kRecordAlive) return;
  record->guard = 0;
  GuardedFree(t, record->text, kSource);
  record->text = nullptr;
  if (record->form != nullptr && t.hooks.release_form != nullptr) {
    t.hooks.release_form(t, record->form, kSource, CallSite::current());
  }
  record->form = nullptr;
  GuardedFree(t, record, kSource);
}

}  // namespace marl
