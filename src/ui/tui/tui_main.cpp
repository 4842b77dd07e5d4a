#include "ui/tui/tui_main.h"

#include <arpa/inet.h>

#include <memory>
#include <vector>

#include "terminal.h"
#include "ui/tui/tui_loop.h"
#include "ui/tui/tui_platform.h"
#include "ui/tui/tui_screen.h"

namespace marl {

int RunTui(const TuiOptions& options) {
  std::string error;
  std::unique_ptr<TuiScreen> screen = TuiScreen::Open(&error);
  if (screen == nullptr) {
    std::fprintf(stderr, "marlsim: %s\n", error.c_str());
    return 1;
  }
  TuiPlatform platform(screen.get());
  platform.set_mute(options.mute);
  auto terminal = std::make_unique<Terminal>(&platform);
  Terminal& t = *terminal;
  platform.Attach(&t);
  t.link.trace = options.trace;
  if (options.send_timeout_ms > 0) t.link.transmit_timeout_ms = options.send_timeout_ms;
  if (options.send_buffer > 0) t.link.socket_send_buffer = options.send_buffer;

  TuiLoop loop(t, platform);
  platform.set_nested_loop([&loop](const std::function<bool()>& done) { return loop.Run(done); });
  const std::string notice = screen->notice();
  platform.set_status([&t, &platform, &notice] { return StatusText(t, platform, notice); });
  platform.Render();

  std::vector<char> command_line(options.command_line.begin(), options.command_line.end());
  command_line.push_back(0);
  int status = 0;
  bool failed = false;
  switch (StartProgram(t, command_line.data(), options.start)) {
    case StartResult::kOtherInstance:
    case StartResult::kEnded:
      break;
    case StartResult::kFailed:
      failed = true;
      status = 1;
      break;
    case StartResult::kRunning:
      loop.Run(nullptr);
      status = platform.exit_code();
      break;
  }
  // The window is gone: the receive thread must not wait for it any more.
  platform.handover().Stop();
  EndProgram(t);
  platform.set_nested_loop(nullptr);
  platform.set_status(nullptr);
  screen.reset();  // the text terminal as it was

  const std::string& printed = platform.printed();
  if (!printed.empty()) std::fwrite(printed.data(), 1, printed.size(), stdout);
  if (failed) {
    char address[INET_ADDRSTRLEN] = "?";
    in_addr host{};
    host.s_addr = t.link.endpoint.address;
    inet_ntop(AF_INET, &host, address, sizeof address);
    std::fprintf(stderr, "marlsim: start-up failed; host %s port %u\n", address,
                 unsigned(ntohs(t.link.endpoint.port)));
    // What the window said is gone with the screen: say it again here.
    const TuiGrid& window = platform.main_grid();
    for (int32_t r = 0; r < window.rows; ++r) {
      std::string row;
      for (int32_t c = 0; c < window.columns; ++c) row.push_back(char(window.at(r, c).byte));
      const size_t first = row.find_first_not_of(' ');
      if (first != std::string::npos) {
        std::fprintf(stderr, "marlsim: window: %s\n", row.c_str() + first);
      }
    }
  }
  return status;
}

}  // namespace marl
