#include "ui/headless/headless_main.h"

#include <arpa/inet.h>

#include <memory>
#include <vector>

#include "app/startup_messages.h"
#include "terminal.h"
#include "ui/headless/automation.h"
#include "ui/headless/headless_platform.h"
#include "ui/pixels/glyph_atlas.h"

namespace marl {

namespace {

// Start-up failed before any command could be answered: say why on the
// diagnostics stream, which is not the protocol's.
void DescribeFailure(Terminal& t, HeadlessPlatform& platform, const std::string& command_line,
                     std::FILE* out) {
  if (t.link.socket < 0) {
    for (const std::string& line : ConnectFailureLines(t, command_line)) {
      std::fprintf(out, "%s\n", line.c_str());
    }
  } else {
    std::fprintf(out, "marlsim: start-up failed\n");
  }
  const WindowView view = platform.VisibleWindow();
  for (int32_t r = 0; r < view.rows; ++r) {
    const std::string row = view.RowText(r);
    // The window's words as the terminal shows them, without its margins.
    const size_t first = row.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    const size_t end = row.find_last_not_of(' ') + 1;
    std::fprintf(out, "marlsim: %s\n", row.substr(first, end - first).c_str());
  }
  for (const std::string& event : platform.TakeEvents()) {
    if (event.compare(0, 7, "msgbox ") == 0) std::fprintf(out, "marlsim: %s\n", event.c_str());
  }
}

}  // namespace

std::shared_ptr<const GlyphAtlas> LoadGlyphs(std::string* error) {
  static std::shared_ptr<const GlyphAtlas> atlas;
  static std::string failure;
  if (atlas == nullptr && failure.empty()) {
    atlas = GlyphAtlas::Load(&failure);
  }
  *error = failure;
  return atlas;
}

int RunHeadless(const HeadlessOptions& options) {
  HeadlessPlatform platform;
  // One terminal that a script drives may be asked for a snapshot at any
  // time, so it keeps its pixels from the start; its glyphs are rendered
  // when the first snapshot needs them.
  platform.KeepPixels(LoadGlyphs, options.zoom);
  return RunOn(platform, options);
}

int RunOn(HeadlessPlatform& platform, const HeadlessOptions& options) {
  auto terminal = std::make_unique<Terminal>(&platform);
  Terminal& t = *terminal;
  platform.Attach(&t);
  platform.set_real_time(options.real_time);
  t.link.trace = options.trace;
  if (options.send_timeout_ms > 0) t.link.transmit_timeout_ms = options.send_timeout_ms;
  if (options.send_buffer > 0) t.link.socket_send_buffer = options.send_buffer;

  Automation automation(t, platform, options.input, options.output);
  platform.set_nested_loop(
      [&automation](const std::function<bool()>& done) { return automation.RunNested(done); });

  std::vector<char> command_line(options.command_line.begin(), options.command_line.end());
  command_line.push_back(0);
  int status = 0;
  for (const std::string& line : CommandLineWarnings(options.command_line)) {
    std::fprintf(options.diagnostics, "%s\n", line.c_str());
  }
  switch (StartProgram(t, command_line.data(), options.start)) {
    case StartResult::kOtherInstance:
      std::fprintf(options.diagnostics, "%s\n", OtherInstanceLine().c_str());
      return 0;
    case StartResult::kFailed:
      DescribeFailure(t, platform, options.command_line, options.diagnostics);
      status = 1;
      break;
    case StartResult::kRunning:
      platform.WatchHostSocket(t.link.socket);
      automation.Run();
      status = automation.any_error() ? 2 : 0;
      break;
    case StartResult::kEnded:
      status = automation.any_error() ? 2 : 0;
      break;
  }
  // The window is gone: the receive thread must not wait for it any more.
  platform.StopHandOver();
  EndProgram(t);
  platform.set_nested_loop(nullptr);
  return status;
}

}  // namespace marl
