// The commands' state: the buffer in which the host's chunks are assembled
// into blocks, and the screen environment handed with each record.
#pragma once

#include <cstdint>

#include "base/host_record.h"

namespace marl {

constexpr int32_t kCommandBufferSize = 4096;

struct RecordState {
  // One spare byte so that the zero stored after a whole buffer stays inside.
  char command_buffer[kCommandBufferSize + 1] = {};
  int32_t fill = 0;
  int32_t write_position = -1;  // offset into the buffer; -1 when no block is pending
  int32_t marker_length = 8;
  ScreenEnvironment environment;
};

}  // namespace marl
