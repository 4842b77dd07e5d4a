// A terminal on the headless platform, laid out and started as the main
// window would, for tests that push host bytes and read what came out.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "terminal.h"
#include "ui/core/core_platform.h"

namespace marl::testing {

// The headless window handling host data on the caller's thread, as the
// interpreter's tests want it.
inline std::unique_ptr<CorePlatform> InlinePlatform() {
  return std::make_unique<CorePlatform>(CorePlatform::HostData::kInline);
}

class TestTerminal {
 public:
  // `platform`: the headless window or one that watches it.
  explicit TestTerminal(int32_t rows = 16, int32_t columns = 20,
                        std::unique_ptr<CorePlatform> platform = nullptr);

  Terminal& t() { return *terminal_; }
  CorePlatform& platform() { return *platform_; }

  // One chunk from the host, as the window hands it over.
  int32_t Host(std::string_view bytes);
  // Bytes sent to the host since the last call.
  std::string Sent() { return std::exchange(terminal_->link.sent, {}); }
  // Events since the last call.
  std::vector<std::string> Events() { return platform_->TakeEvents(); }
  // Whether the events since the last call hold the out-of-memory box, which
  // no input may bring up.
  bool ShowedMemoryError();
  // A row of the window view as a person sees it.
  std::string Row(int32_t row) const { return platform_->RowText(row); }
  std::string GridRow(int32_t row) const;

 private:
  std::unique_ptr<CorePlatform> platform_;
  std::unique_ptr<Terminal> terminal_;
};

}  // namespace marl::testing
