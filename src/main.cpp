// marlsim: the Corvanex Marlpoint Simulator. Its own options start with
// "--"; everything else, joined with single blanks, is the terminal's own
// command line (-H host, -P port, -I simulator ID, -L auto mode).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/screen_size.h"
#include "demo/in_process.h"
#include "link/capture.h"
#include "ui/core/command_words.h"
#include "ui/headless/headless_main.h"
#include "ui/install_paths.h"
#include "ui/load/load_driver.h"
#include "ui/load/report_merge.h"
#include "ui/load/serve_load.h"
#include "ui/load/test_runner.h"
#include "ui/testkit/text_file.h"
#include "ui/tui/tui_main.h"
#include "ui/window_module.h"

namespace {

constexpr const char* kVersion = "0.1.0";

constexpr const char* kUsage =
    "usage: marlsim [OPTIONS] [-HHOST] [-PPORT] [-IID] [-L]\n"
    "\n"
    "Simulates a Marlpoint terminal connected to a host over TCP.\n"
    "The arguments that do not start with -- are the terminal's own command\n"
    "line: -H host address (127.0.0.1), -P port (4060; 4055 with no\n"
    "arguments at all), -I simulator ID, -L auto mode.\n"
    "\n"
    "Options:\n"
    "  --ui=sdl           the desktop window (the default when a display is there)\n"
    "  --ui=tui           the front end in this text terminal (the default without\n"
    "                     a display, when standard input and output are one and\n"
    "                     no --script is given)\n"
    "  --ui=headless      automation commands on standard input (the default\n"
    "                     otherwise)\n"
    "  --zoom N           the window (and snapshots) N times larger, 1 to 4\n"
    "  --mute             no beeps in the window, no bell in the terminal\n"
    "  --script FILE      read automation commands from FILE, not standard input\n"
    "  --record FILE      in the window: write the person's session to FILE as a\n"
    "                     script, with a golden screen beside it for each screen\n"
    "                     the host sent (FILE-001.golden, ...)\n"
    "  --test FILE        run FILE (a script, or a folder of them) as a test case in\n"
    "                     a terminal of its own; repeatable; many run at once\n"
    "  --jobs N           --test: at most N cases at once (default: all)\n"
    "  --junit FILE       --test: write the results as JUnit XML\n"
    "  --artifacts DIR    --test: keep each failed case's screen, attributes,\n"
    "                     snapshot, events and wire trace in DIR\n"
    "  --update-goldens   expect screen writes the window into its golden file\n"
    "                     instead of failing\n"
    "  --trace FILE       dump every chunk received and every send to FILE, and\n"
    "                     every host record the terminal refuses\n"
    "  --strict           exit with 2 when the terminal refuses a host record or\n"
    "                     shows a message box the script did not expect (answer)\n"
    "  --pcap FILE        write the connection (every connection with --load) to\n"
    "                     FILE as a packet capture for Wireshark, while it runs\n"
    "  --real-time        headless: really wait for pauses and beeps\n"
    "  --size COLSxROWS   screen size, as if the settings file gave it\n"
    "  --demo             start the demo warehouse host in this process and\n"
    "                     connect to it\n"
    "  --demo-log FILE    with --demo: what the demo host received, a line each\n"
    "  --load N           run N terminals in this process, each following --script\n"
    "                     ({n}, {n:03}, {i}, {i%%N}: terminal number, padded,\n"
    "                     iteration, iteration from 1 to N)\n"
    "  --duration S       --load: loop the script for S seconds\n"
    "  --iterations K     --load: run the script K times per terminal (default 1)\n"
    "  --ramp R           --load: start R terminals a second (default: all at once)\n"
    "  --report FILE      --load: write the end report as JSON to FILE\n"
    "  --html FILE        --load, --merge: write the report as an HTML page with charts\n"
    "  --threshold EXPR   --load, --merge: a limit such as p99<200ms, errors<0.1%%,\n"
    "                     NAME:p95<50ms, screens/s>500; failed ones exit with 3\n"
    "  --shard I/N        --load: run shard I (from 1) of N: its share of the terminals\n"
    "  --start-at TIME    --load: start at TIME (seconds since 1970 or ISO 8601 UTC)\n"
    "  --merge FILE       combine load reports (the option repeated, one a file)\n"
    "  --serve-load       run terminals following --script as told on standard\n"
    "                     input (start N, stop N), a line out per transaction\n"
    "  --help, --version\n"
    "  --                 every later argument is the terminal's\n"
    "\n"
    "In the window, %s opens a box whose text goes to the terminal as one\n"
    "scan; Ctrl+Shift+V and the middle button type the clipboard's text.\n"
    "\n"
    "The manual: man marlsim. In %s: automation.md, the\n"
    "automation commands; host-guide.md, writing a host; load.md, load runs;\n"
    "examples/, example hosts and a load script.\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "marlsim: %s\n%s", message.c_str(), "Try 'marlsim --help'.\n");
  return 1;
}

bool ParseSize(const std::string& text, marl::StartOptions* start) {
  const size_t x = text.find_first_of("xX");
  int64_t columns = 0;
  int64_t rows = 0;
  if (x == std::string::npos ||
      !marl::ParseNumber(text.substr(0, x), 1, marl::kMaxScreenSide, &columns) ||
      !marl::ParseNumber(text.substr(x + 1), 1, marl::kMaxScreenSide, &rows)) {
    return false;
  }
  start->columns = int32_t(columns);
  start->rows = int32_t(rows);
  return true;
}

bool KnownFrontEnd(const std::string& ui) {
  return ui == "sdl" || ui == "tui" || ui == "headless";
}

// The window's options, in the window module's own terms.
MarlWindowOptions WindowOptions(const marl::HeadlessOptions& options) {
  MarlWindowOptions window{};
  window.command_line = options.command_line.c_str();
  window.input = options.input;
  window.script = options.script.empty() ? nullptr : options.script.c_str();
  window.output = options.output;
  window.diagnostics = options.diagnostics;
  window.trace = options.trace;
  window.real_time = options.real_time;
  window.mute = options.mute;
  window.zoom = options.zoom;
  window.rows = options.start.rows;
  window.columns = options.start.columns;
  window.send_timeout_ms = options.send_timeout_ms;
  window.send_buffer = options.send_buffer;
  window.record = options.record.empty() ? nullptr : options.record.c_str();
  window.strict = options.strict ? 1 : 0;
  return window;
}

// Runs the window or headless front end. A window that cannot open gives way
// to the headless one, saying why.
int RunFrontEnd(const std::string& ui, const marl::HeadlessOptions& options, bool chosen) {
  if (ui == "sdl") {
    std::string why;
    const int status = marl::RunWindow(WindowOptions(options), &why);
    if (status != marl::kNoWindow) return status;
    std::fprintf(stderr, "marlsim: %s%s; running headless\n", chosen ? "no window: " : "",
                 why.c_str());
    // Nobody is at a window to record.
    if (!options.record.empty()) return Fail("--record needs a window (--ui=sdl or --ui=tui)");
  }
  return marl::RunHeadless(options);
}

// Test seams, read from the environment so that no option exists for them.
void ReadSeams(marl::HeadlessOptions* options) {
  int64_t value = 0;
  if (const char* ms = std::getenv("MARLSIM_SEND_TIMEOUT_MS");
      ms != nullptr && marl::ParseNumber(ms, 1, 3600000, &value)) {
    options->send_timeout_ms = uint32_t(value);
  }
  if (const char* bytes = std::getenv("MARLSIM_SEND_BUFFER");
      bytes != nullptr && marl::ParseNumber(bytes, 1, 1 << 26, &value)) {
    options->send_buffer = int32_t(value);
  }
}

// The terminal front end with marlsim's own options.
int RunTuiFrontEnd(marl::HeadlessOptions options, const std::string& script,
                   const std::string& trace, bool mute) {
  marl::TuiOptions tui;
  tui.command_line = options.command_line;
  tui.record = options.record;
  tui.start = options.start;
  tui.mute = mute;
  tui.script_name = script;
  tui.update_goldens = options.update_goldens;
  tui.strict = options.strict;
  ReadSeams(&options);
  tui.send_timeout_ms = options.send_timeout_ms;
  tui.send_buffer = options.send_buffer;
  if (!script.empty() && (tui.script = open(script.c_str(), O_RDONLY | O_CLOEXEC)) < 0) {
    return Fail("cannot read " + script + ": " + std::strerror(errno));
  }
  if (!trace.empty() && (tui.trace = std::fopen(trace.c_str(), "w")) == nullptr) {
    return Fail("cannot write " + trace + ": " + std::strerror(errno));
  }
  const int status = marl::RunTui(tui);
  if (tui.trace != nullptr) std::fclose(tui.trace);
  if (tui.script >= 0) close(tui.script);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that goes away must not kill the program in a write.
  std::signal(SIGPIPE, SIG_IGN);

  marl::HeadlessOptions options;
  std::string ui;
  std::string script;
  std::string trace;
  std::string pcap;
  bool only_terminal = false;
  bool demo = false;
  bool serve_load = false;
  std::string demo_log;
  marl::LoadOptions load;
  marl::TestRunOptions tests;
  bool test_given = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (only_terminal || arg.compare(0, 2, "--") != 0) {
      if (!options.command_line.empty()) options.command_line += ' ';
      options.command_line += arg;
      continue;
    }
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const bool inline_value = equals != std::string::npos;
    auto value = [&](std::string* out) {
      if (inline_value) {
        *out = arg.substr(equals + 1);
        return true;
      }
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    if (arg == "--") {
      only_terminal = true;
    } else if (arg == "--help") {
      std::printf(kUsage, marl::kScanKeyName, marl::DocDir().c_str());
      return 0;
    } else if (arg == "--version") {
      std::printf("marlsim %s (Marlpoint Simulator 2.30)\n", kVersion);
      return 0;
    } else if (arg == "--real-time") {
      options.real_time = true;
    } else if (arg == "--strict") {
      options.strict = true;
    } else if (arg == "--mute") {
      options.mute = true;
    } else if (arg == "--update-goldens") {
      options.update_goldens = true;
    } else if (arg == "--demo") {
      demo = true;
    } else if (arg == "--serve-load") {
      serve_load = true;
    } else if (name == "--demo-log") {
      if (!value(&demo_log) || demo_log.empty()) return Fail("--demo-log needs a file");
    } else if (name == "--ui") {
      if (!value(&ui) || ui.empty()) return Fail("--ui needs a front end");
    } else if (name == "--zoom") {
      std::string zoom;
      int64_t n = 0;
      if (!value(&zoom) || !marl::ParseNumber(zoom, 1, 4, &n)) {
        return Fail("--zoom needs a whole number from 1 to 4");
      }
      options.zoom = int32_t(n);
    } else if (name == "--script") {
      if (!value(&script) || script.empty()) return Fail("--script needs a file");
    } else if (name == "--record") {
      if (!value(&options.record) || options.record.empty()) return Fail("--record needs a file");
    } else if (name == "--trace") {
      if (!value(&trace) || trace.empty()) return Fail("--trace needs a file");
    } else if (name == "--pcap") {
      if (!value(&pcap) || pcap.empty()) return Fail("--pcap needs a file");
    } else if (name == "--size") {
      std::string size;
      if (!value(&size) || !ParseSize(size, &options.start)) {
        return Fail("--size needs COLSxROWS, each from 1 to " +
                    std::to_string(marl::kMaxScreenSide));
      }
    } else if (marl::IsTestOption(name)) {
      std::string text;
      std::string error;
      if (!value(&text)) return Fail(name + " needs a value");
      if (!marl::ParseTestOption(name, text, &tests, &error)) return Fail(error);
      test_given = true;
    } else if (marl::IsLoadOption(name)) {
      std::string text;
      std::string error;
      if (!value(&text)) return Fail(name + " needs a value");
      if (!marl::ParseLoadOption(name, text, &load, &error)) return Fail(error);
    } else {
      return Fail("unknown option " + arg);
    }
  }
  // A folder opens and reads as nothing at all: the run would do nothing and
  // say nothing.
  if (struct stat info{};
      !script.empty() && stat(script.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    return Fail("cannot read " + script + ": " + std::strerror(EISDIR));
  }
  // Declared before everything that connects, so that it outlives every
  // connection; opened before any, so that a file that cannot be written
  // ends the run before it starts.
  marl::PacketCapture capture;
  if (!pcap.empty()) {
    std::string error;
    if (!capture.Open(pcap, &error)) return Fail(error);
    options.start.capture = &capture;
  }
  // Started before any front end runs, and declared first, so the host
  // outlives the connection.
  marl::demo::InProcessDemo demo_host;
  std::FILE* demo_log_file = nullptr;
  if (demo) {
    if (!demo_log.empty() && (demo_log_file = std::fopen(demo_log.c_str(), "w")) == nullptr) {
      return Fail("cannot write " + demo_log + ": " + std::strerror(errno));
    }
    std::string error;
    if (!demo_host.Start(demo_log_file, &error)) return Fail("demo host: " + error);
    // Later options win on the terminal's command line.
    if (!options.command_line.empty()) options.command_line += ' ';
    options.command_line += "-H127.0.0.1 -P" + std::to_string(demo_host.port());
  }
  if (!load.merge.empty()) return marl::RunMerge(load);
  if (serve_load) {
    if (load.terminals > 0 || !load.merge.empty()) return Fail("--serve-load is a run of its own");
    load.script = script;
    load.command_line = options.command_line;
    load.start = options.start;
    return marl::RunServeLoad(load);
  }
  if (test_given) {
    if (load.terminals > 0 || load.given || !script.empty() || !trace.empty() ||
        !options.record.empty() || options.real_time || !(ui.empty() || ui == "headless")) {
      return Fail(
          "--test runs its own scripts: --script, --record, --trace, --real-time, --ui and the "
          "load options do not go with it");
    }
    tests.command_line = options.command_line;
    tests.start = options.start;
    tests.update_goldens = options.update_goldens;
    return marl::RunTests(tests);
  }
  if (load.terminals > 0) {
    if (!trace.empty() || options.real_time || !options.record.empty() || options.strict ||
        !(ui.empty() || ui == "headless")) {
      return Fail("--trace, --real-time, --record, --strict and --ui are for one terminal");
    }
    load.script = script;
    load.command_line = options.command_line;
    load.start = options.start;
    return marl::RunLoad(load);
  }
  if (load.given) {
    return Fail(
        "--duration, --iterations, --ramp, --report, --html, --threshold, --shard and --start-at "
        "go with --load (or, some, with --merge)");
  }

  // Without --ui: the desktop window when a display is there; else someone
  // at a text terminal gets the screen, and pipes, files and scripts get the
  // automation interface.
  const bool at_terminal = script.empty() && isatty(STDIN_FILENO) && isatty(STDOUT_FILENO);
  const bool chosen = !ui.empty();
  if (ui.empty()) ui = marl::DisplayNamed() ? "sdl" : at_terminal ? "tui" : "headless";
  if (!KnownFrontEnd(ui)) {
    return Fail("unknown front end '" + ui + "'; use --ui=sdl, tui or headless");
  }
  if (!options.record.empty()) {
    // Said now, not after a session that recorded nothing.
    std::string error;
    if (ui == "headless") return Fail("--record needs a window (--ui=sdl or --ui=tui)");
    if (!marl::CheckWritable(options.record, &error)) return Fail("--record: " + error);
  }
  if (ui == "tui") return RunTuiFrontEnd(options, script, trace, options.mute);

  if (!script.empty()) {
    options.script = script;
    options.input = open(script.c_str(), O_RDONLY | O_CLOEXEC);
    if (options.input < 0) return Fail("cannot read " + script + ": " + std::strerror(errno));
  }
  if (!trace.empty()) {
    options.trace = std::fopen(trace.c_str(), "w");
    if (options.trace == nullptr) {
      return Fail("cannot write " + trace + ": " + std::strerror(errno));
    }
  }
  ReadSeams(&options);

  const int status = RunFrontEnd(ui, options, chosen);
  if (options.trace != nullptr) std::fclose(options.trace);
  if (options.input > 0) close(options.input);
  return status;
}
