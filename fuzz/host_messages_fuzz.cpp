// The host toolkit's parser, and the demo host's session behind it, on any
// bytes a terminal (or anything else) might send.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "demo/demo_session.h"
#include "host/terminal_messages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  for (const bool trailer : {true, false}) {
    marl::demo::DemoSession session;
    std::string_view rest = all;
    while (!rest.empty()) {
      marl::host::TerminalMessage message;
      const marl::host::ParseResult r =
          marl::host::ParseTerminalMessage(rest, &message, marl::host::ParseOptions{trailer});
      if (r.status == marl::host::ParseStatus::kIncomplete) break;
      // Every answer takes at least one byte and never more than there is.
      if (r.used == 0 || r.used > rest.size()) std::abort();
      if (r.status == marl::host::ParseStatus::kOk) session.OnMessage(message);
      rest.remove_prefix(r.used);
    }
  }
  return 0;
}
