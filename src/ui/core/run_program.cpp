#include "ui/core/run_program.h"

#include <memory>
#include <string>
#include <vector>

#include "app/startup_messages.h"
#include "terminal.h"
#include "ui/core/core_platform.h"
#include "ui/core/event_loop.h"
#include "ui/core/script_reader.h"
#include "ui/pixels/glyph_atlas.h"

namespace marl {

namespace {

// Start-up failed before any command could be answered: why, for the
// diagnostics stream, which is not the protocol's.
std::vector<std::string> FailureLines(Terminal& t, CorePlatform& core,
                                      const std::string& command_line) {
  std::vector<std::string> lines;
  if (t.link.socket < 0) {
    lines = ConnectFailureLines(t, command_line);
  } else {
    lines.push_back("marlsim: start-up failed");
  }
  const WindowView view = core.VisibleWindow();
  for (int32_t r = 0; r < view.rows; ++r) {
    const std::string row = view.RowText(r);
    // The window's words as the terminal shows them, without its margins.
    const size_t first = row.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    const size_t end = row.find_last_not_of(' ') + 1;
    lines.push_back("marlsim: " + row.substr(first, end - first));
  }
  for (const std::string& event : core.TakeEvents()) {
    if (event.compare(0, 7, "msgbox ") == 0) lines.push_back("marlsim: " + event);
  }
  return lines;
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

int RunProgram(Terminal& t, CorePlatform& core, EventLoop& loop, const ProgramOptions& options,
               const RunHooks& hooks) {
  const auto say = [&](const std::string& line) {
    if (hooks.say) {
      hooks.say(line);
    } else {
      std::fprintf(options.diagnostics, "%s\n", line.c_str());
    }
  };
  core.Attach(&t);
  core.set_real_time(options.real_time);
  t.link.trace = options.trace;
  if (options.send_timeout_ms > 0) t.link.transmit_timeout_ms = options.send_timeout_ms;
  if (options.send_buffer > 0) t.link.socket_send_buffer = options.send_buffer;

  std::unique_ptr<ScriptReader> reader;
  if (options.input >= 0) {
    reader = std::make_unique<ScriptReader>(t, core, &loop, options.input, options.output);
    if (hooks.at_end_of_input) reader->set_at_end(hooks.at_end_of_input);
    reader->interpreter().set_script(options.script);
    reader->interpreter().set_update_goldens(options.update_goldens);
    core.set_nested_loop(
        [&reader](const std::function<bool()>& done) { return reader->RunNested(done); });
  } else {
    core.set_nested_loop(
        [&loop](const std::function<bool()>& done) { return loop.RunUntil(done); });
  }

  std::vector<char> command_line(options.command_line.begin(), options.command_line.end());
  command_line.push_back(0);
  for (const std::string& line : CommandLineWarnings(options.command_line)) say(line);
  int status = 0;
  switch (StartProgram(t, command_line.data(), options.start)) {
    case StartResult::kOtherInstance:
      say(OtherInstanceLine());
      break;
    case StartResult::kFailed:
      for (const std::string& line : FailureLines(t, core, options.command_line)) say(line);
      status = 1;
      break;
    case StartResult::kRunning:
      core.WatchHostSocket(t.link.socket);
      if (reader != nullptr) {
        reader->Run();
      } else {
        loop.RunUntil(nullptr);
      }
      [[fallthrough]];
    case StartResult::kEnded:
      status = reader != nullptr && reader->any_error() ? 2 : 0;
      if (options.strict && (core.refusals() > 0 || core.unexpected_boxes() > 0)) {
        say("marlsim: --strict: " + std::to_string(core.refusals()) + " refused host records, " +
            std::to_string(core.unexpected_boxes()) + " message boxes not expected");
        status = 2;
      }
      break;
  }
  // The window is gone: the receive thread must not wait for it any more.
  core.StopHandOver();
  EndProgram(t);
  core.set_nested_loop(nullptr);
  return status;
}

}  // namespace marl
