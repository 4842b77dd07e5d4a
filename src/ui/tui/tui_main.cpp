#include "ui/tui/tui_main.h"

#include <arpa/inet.h>

#include <memory>
#include <vector>

#include "app/startup_messages.h"
#include "terminal.h"
#include "ui/headless/automation.h"
#include "ui/tui/tui_loop.h"
#include "ui/tui/tui_platform.h"
#include "ui/tui/tui_screen.h"

namespace marl {

namespace {

constexpr int kMaxScriptErrorsShown = 20;

std::string HostText(const Terminal& t) {
  char address[INET_ADDRSTRLEN] = "?";
  in_addr host{};
  host.s_addr = t.link.endpoint.address;
  inet_ntop(AF_INET, &host, address, sizeof address);
  return std::string(address) + " port " + std::to_string(ntohs(t.link.endpoint.port));
}

// What the window said is gone with the screen: say it again on the
// diagnostics stream.
void DescribeFailure(const Terminal& t, const TuiPlatform& platform) {
  std::fprintf(stderr, "marlsim: start-up failed; host %s\n", HostText(t).c_str());
  for (int32_t r = 0; r < platform.view_rows(); ++r) {
    std::string row;
    for (int32_t c = 0; c < platform.view_columns(); ++c) row.push_back(platform.cell(r, c).byte);
    const size_t first = row.find_first_not_of(' ');
    if (first != std::string::npos) {
      std::fprintf(stderr, "marlsim: window: %s\n", row.c_str() + first);
    }
  }
}

// The script's answers went to `answers`; its errors are worth a line each.
void ReportScriptErrors(std::FILE* answers) {
  std::rewind(answers);
  char line[512];
  int shown = 0;
  while (std::fgets(line, sizeof line, answers) != nullptr && shown < kMaxScriptErrorsShown) {
    if (std::string_view(line).substr(0, 7) == "error: ") {
      std::fprintf(stderr, "marlsim: script: %s", line);
      ++shown;
    }
  }
}

}  // namespace

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
  platform.set_router([&loop](const TuiInput& input) { loop.Route(input); });
  const std::string notice = screen->notice();
  platform.set_status([&t, &platform, &notice] { return StatusText(t, platform, notice); });
  // A script drives the terminal through the automation commands, and the
  // person at the keyboard may join in; its answers are kept aside, since
  // the screen owns standard output.
  std::FILE* answers = options.script >= 0 ? std::tmpfile() : nullptr;
  std::unique_ptr<Automation> automation;
  if (answers != nullptr) {
    automation = std::make_unique<Automation>(t, platform, options.script, answers);
    platform.set_scripted(true);
    platform.set_nested_loop(
        [&automation](const std::function<bool()>& done) { return automation->RunNested(done); });
  } else {
    platform.set_nested_loop([&loop](const std::function<bool()>& done) { return loop.Run(done); });
  }
  platform.Render();

  std::vector<char> command_line(options.command_line.begin(), options.command_line.end());
  command_line.push_back(0);
  int status = 0;
  bool failed = false;
  bool other_instance = false;
  switch (StartProgram(t, command_line.data(), options.start)) {
    case StartResult::kOtherInstance:
      other_instance = true;
      break;
    case StartResult::kEnded:
      break;
    case StartResult::kFailed:
      failed = true;
      status = 1;
      break;
    case StartResult::kRunning:
      if (automation != nullptr) {
        automation->Run();
      } else {
        loop.Run(nullptr);
      }
      status = platform.exit_code();
      break;
  }
  if (status == 0 && automation != nullptr && automation->any_error()) status = 2;
  // The window is gone: the receive thread must not wait for it any more.
  platform.StopHandOver();
  EndProgram(t);
  platform.set_nested_loop(nullptr);
  platform.set_status(nullptr);
  platform.set_router(nullptr);
  screen.reset();  // the text terminal as it was

  const std::string& printed = platform.printed();
  if (!printed.empty()) std::fwrite(printed.data(), 1, printed.size(), stdout);
  for (const std::string& line : CommandLineWarnings(options.command_line)) {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
  if (other_instance) std::fprintf(stderr, "%s\n", OtherInstanceLine().c_str());
  if (failed) {
    for (const std::string& line : ConnectFailureLines(t, options.command_line)) {
      if (t.link.socket < 0) std::fprintf(stderr, "%s\n", line.c_str());
    }
    DescribeFailure(t, platform);
  }
  if (answers != nullptr) {
    ReportScriptErrors(answers);
    std::fclose(answers);
  }
  return status;
}

}  // namespace marl
