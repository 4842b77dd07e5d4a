// One host record after assembly: its own copy of the bytes, its header
// values, and the form built from it. Every handler receives the record with
// the screen environment, and owns it from then on.
#pragma once

#include <cstdint>
#include <memory>

#include "base/wire.h"

namespace marl {

struct Terminal;
struct Form;

constexpr uint32_t kRecordAlive = 27272;
constexpr int32_t kRecordPrefix = 9;  // kind byte and 8 header bytes

struct HostRecord {
  int32_t length = 0;
  char* text = nullptr;  // owned; at least length + 1 bytes, zero after them
  char* command = nullptr;
  char* header = nullptr;
  uint32_t state = 0;
  uint32_t table_switch = 0;
  int32_t count = -1;
  uint32_t guard = 0;
  uint32_t spare = 0;
  uint32_t header_word = 0;
  int32_t header_values[6] = {};
  Form* form = nullptr;  // owned
};

struct ScreenEnvironment {
  int32_t rows = 0;
  int32_t columns = 0;
  int32_t extra = 0;
};

HostRecord* NewHostRecord(Terminal& t, int32_t length, const char* bytes);
HostRecord* CloneHostRecord(Terminal& t, int32_t length, const char* bytes,
                            const HostRecord* source);
void FreeHostRecord(Terminal& t, HostRecord* record);

// Ownership of a record by a handler that only reads it: released through
// the allocator when the owner goes. A table slot that keeps a record takes
// it over explicitly with release().
class RecordRelease {
 public:
  explicit RecordRelease(Terminal& t) : t_(&t) {}
  void operator()(HostRecord* record) const { FreeHostRecord(*t_, record); }

 private:
  Terminal* t_;
};
using OwnedRecord = std::unique_ptr<HostRecord, RecordRelease>;

inline OwnedRecord Own(Terminal& t, HostRecord* record) {
  return OwnedRecord(record, RecordRelease(t));
}

}  // namespace marl
