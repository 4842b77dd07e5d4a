// The host's byte stream cut into host records, each handed to the handler
// of its kind; the records' lifetime; the status reply.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct Form;

constexpr uint32_t kRecordAlive = 27272;
constexpr int32_t kCommandBufferSize = 4096;
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

struct RecordState {
  // One spare byte so that the zero stored after a whole buffer stays inside.
  char command_buffer[kCommandBufferSize + 1] = {};
  int32_t fill = 0;
  int32_t write_position = -1;  // offset into the buffer; -1 when no block is pending
  int32_t marker_length = 8;
  int32_t text_dialect = 1;
  ScreenEnvironment environment;
};

int32_t ProcessHostData(Terminal& t, const char* bytes, const int32_t* length, int32_t extra);
int32_t AssembleHostData(Terminal& t, const char* bytes, int32_t length);
HostRecord* NewHostRecord(Terminal& t, int32_t length, const char* bytes);
HostRecord* CloneHostRecord(Terminal& t, int32_t length, const char* bytes,
                            const HostRecord* source);
void FreeHostRecord(Terminal& t, HostRecord* record);
void DispatchRecord(Terminal& t, HostRecord* record, const ScreenEnvironment& environment);
void ResetTerminal(Terminal& t, HostRecord* record);
void SendStatus(Terminal& t, int32_t code);

}  // namespace marl
