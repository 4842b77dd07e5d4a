// The one TCP connection to the host.
#pragma once

#include <cstdint>
#include <string>

namespace marl {

struct LinkState {
  int socket = -1;
  int32_t ping_mode = 0;
  // Test seam: while set, every byte that would go to the host is also kept
  // in `sent`, in order.
  bool capture_sends = false;
  std::string sent;
};

}  // namespace marl
