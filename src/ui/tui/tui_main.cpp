#include "ui/tui/tui_main.h"

#include <memory>
#include <vector>

#include "terminal.h"
#include "ui/core/core_platform.h"
#include "ui/core/event_loop.h"
#include "ui/core/recorder.h"
#include "ui/core/run_program.h"
#include "ui/tui/tui_loop.h"
#include "ui/tui/tui_platform.h"
#include "ui/tui/tui_screen.h"

namespace marl {

namespace {

constexpr int kMaxScriptErrorsShown = 20;

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
  // Before the screen is taken, so that a file it cannot write is said
  // plainly.
  Recorder recorder;
  if (!options.record.empty()) {
    const std::string why = recorder.Open(options.record, "in the text terminal");
    if (!why.empty()) {
      std::fprintf(stderr, "marlsim: %s\n", why.c_str());
      return 1;
    }
  }
  std::string error;
  std::unique_ptr<TuiScreen> screen = TuiScreen::Open(&error);
  if (screen == nullptr) {
    std::fprintf(stderr, "marlsim: %s\n", error.c_str());
    return 1;
  }
  CorePlatform core;
  TuiPlatform face(core, *screen);
  core.set_client(&face);
  face.set_mute(options.mute);
  EventLoop loop;
  core.AttachTo(loop);
  face.AttachTo(loop);
  auto terminal = std::make_unique<Terminal>(&core);
  Terminal& t = *terminal;

  TuiLoop router(t, core, face);
  if (recorder.open()) {
    recorder.Watch(t, core);
    router.set_recorder(&recorder);
  }
  face.set_router([&router](const TuiInput& input) { router.Route(input); });
  const std::string notice = screen->notice();
  face.set_status([&t, &core, &notice] { return StatusText(t, core, notice); });
  // A script drives the terminal through the automation commands, and the
  // person at the keyboard may join in; its answers are kept aside, since
  // the screen owns standard output.
  std::FILE* answers = options.script >= 0 ? std::tmpfile() : nullptr;
  ProgramOptions program;
  program.command_line = options.command_line;
  program.input = answers != nullptr ? options.script : -1;
  program.output = answers;
  program.script = options.script_name;
  program.update_goldens = options.update_goldens;
  program.trace = options.trace;
  program.strict = options.strict;
  program.start = options.start;
  program.send_timeout_ms = options.send_timeout_ms;
  program.send_buffer = options.send_buffer;
  // What marlsim has to say waits until the screen is given back.
  std::vector<std::string> said;
  RunHooks hooks;
  hooks.at_end_of_input = [&face] { face.ScriptEnded(); };
  hooks.say = [&said](const std::string& line) { said.push_back(line); };
  face.set_scripted(answers != nullptr);
  face.Render();

  const int status = RunProgram(t, core, loop, program, hooks);
  if (recorder.open()) {
    router.set_recorder(nullptr);
    const std::string why = recorder.Close();
    if (!why.empty()) said.push_back("marlsim: --record: " + why);
  }
  core.set_client(nullptr);
  face.set_status(nullptr);
  face.set_router(nullptr);
  screen.reset();  // the text terminal as it was

  const std::string& printed = face.printed();
  if (!printed.empty()) std::fwrite(printed.data(), 1, printed.size(), stdout);
  for (const std::string& line : said) std::fprintf(stderr, "%s\n", line.c_str());
  if (answers != nullptr) {
    ReportScriptErrors(answers);
    std::fclose(answers);
  }
  return status;
}

}  // namespace marl
