// What the main window keeps: its layout and the buffer host chunks land in.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace marl {

constexpr int32_t kHostDataBufferSize = 4002;

struct AppState {
  int32_t display_width = 0;
  int32_t display_height = 0;
  Rect client;  // after the last layout
  int32_t client_width = 0;
  int32_t client_height = 0;
  char host_data[kHostDataBufferSize] = {};
  int32_t host_data_length = 0;
};

}  // namespace marl
