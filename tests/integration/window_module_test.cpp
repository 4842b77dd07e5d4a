// The program without its window module, or with a broken one: the window
// gives way to the headless front end with one line on standard error, and
// snapshots say why they cannot be had. A copy of the program is run from a
// fresh folder, laid out as an unpacked package or a build tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "harness.h"

namespace marl::testing {
namespace {

namespace fs = std::filesystem;

enum class Module { kNone, kInstalled, kBeside, kNotElf, kForeign };

// The program at `dir`/usr/bin/marlsim, and the module where `module` says.
std::string LayOut(const TempDir& dir, Module module) {
  const fs::path bin = fs::path(dir.path()) / "usr" / "bin";
  const fs::path installed = bin / WINDOW_MODULE_DIR;
  fs::create_directories(bin);
  fs::create_directories(installed);
  fs::copy_file(MARLSIM_PATH, bin / "marlsim");
  switch (module) {
    case Module::kNone:
      break;
    case Module::kInstalled:
      fs::copy_file(WINDOW_MODULE_PATH, installed / "marlsim-sdl.so");
      break;
    case Module::kBeside:
      fs::copy_file(WINDOW_MODULE_PATH, bin / "marlsim-sdl.so");
      break;
    case Module::kNotElf:
      std::ofstream(installed / "marlsim-sdl.so") << "not a shared object\n";
      break;
    case Module::kForeign:
      fs::copy_file(FOREIGN_MODULE_PATH, installed / "marlsim-sdl.so");
      break;
  }
  return (bin / "marlsim").string();
}

TEST(WindowModule, WithoutAWorkingModuleTheWindowGivesWayToHeadlessSayingWhy) {
  // A display that names a socket no X server listens on.
  constexpr const char* kDeadDisplay = ":59535";
  struct Case {
    const char* name;
    Module module;
    const char* display;
    const char* stderr_line;  // the whole of standard error, as a pattern
    const char* snapshot;     // the snapshot's answer, as a pattern
  };
  const Case cases[] = {
      {"installed, no display", Module::kInstalled, "",
       "marlsim: no window: no display \\(neither DISPLAY nor WAYLAND_DISPLAY is set\\); running "
       "headless",
       "ok"},
      {"beside the program, no display", Module::kBeside, "",
       "marlsim: no window: no display \\(neither DISPLAY nor WAYLAND_DISPLAY is set\\); running "
       "headless",
       "ok"},
      {"installed, a display that does not answer", Module::kInstalled, kDeadDisplay,
       "marlsim: no window: [^\n]+; running headless", "ok"},
      {"deleted", Module::kNone, kDeadDisplay,
       "marlsim: no window: window module not found \\(no /[^\n]*/usr/lib/[^\n]*marlsim-sdl.so "
       "nor /[^\n]*/usr/bin/marlsim-sdl.so\\); running headless",
       "error: no snapshots: window module not found .*"},
      {"not a shared object", Module::kNotElf, kDeadDisplay,
       "marlsim: no window: cannot load the window module: [^\n]*marlsim-sdl.so[^\n]*; running "
       "headless",
       "error: no snapshots: cannot load the window module: .*"},
      {"from another build", Module::kForeign, kDeadDisplay,
       "marlsim: no window: the window module /[^\n]*marlsim-sdl.so is from another build of "
       "marlsim; running headless",
       "error: no snapshots: the window module .* is from another build of marlsim"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string program = LayOut(dir, c.module);
    LoopbackHost host;
    // The X libraries keep a few blocks to the end of a failed start, where
    // no suppression can name them: leaks are the headless suites' to check.
    Process sim({program, "--ui=sdl", "--size", "20x16", Port(host)}, dir.path(),
                {{"DISPLAY", c.display},
                 {"WAYLAND_DISPLAY", ""},
                 {"SDL_VIDEODRIVER", "x11"},
                 {"ASAN_OPTIONS", "detect_leaks=0:abort_on_error=1"}});
    ASSERT_TRUE(host.Accept(10000)) << sim.Diagnostics();
    EXPECT_EQ(host.ReceiveUntilQuiet(300, 5000), PowerUp());
    ASSERT_TRUE(sim.Write("snapshot shot.png"));
    ASSERT_TRUE(sim.Write("quit"));
    sim.Wait();
    const std::string answers = sim.RemainingOutput(0);
    const std::string snapshot = answers.substr(0, answers.find('\n'));
    EXPECT_TRUE(std::regex_match(snapshot, std::regex(c.snapshot))) << snapshot;
    EXPECT_EQ(fs::exists(dir.File("shot.png")), std::string(c.snapshot) == "ok");
    const std::string diagnostics = sim.Diagnostics();
    EXPECT_TRUE(std::regex_match(diagnostics, std::regex(std::string(c.stderr_line) + "\n")))
        << diagnostics;
  }
}

// The libraries mapped into a running process whose name holds `part`.
std::string Mapped(pid_t pid, const std::string& part) {
  std::string found;
  std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
  for (std::string line; std::getline(maps, line);) {
    if (line.find(part) != std::string::npos) found += line.substr(line.rfind(' ') + 1) + "\n";
  }
  return found;
}

TEST(WindowModule, AHeadlessRunLoadsNoWindowLibraryUntilItsFirstSnapshot) {
  Session s;
  ASSERT_TRUE(s.accepted) << s.sim.Diagnostics();
  EXPECT_EQ(s.sim.Command("screen").back(), "ok");
  for (const char* part : {"SDL", "X11", "xcb", "wayland", "pulse", "asound", "marlsim-sdl"}) {
    EXPECT_EQ(Mapped(s.sim.pid(), part), "") << part;
  }
  EXPECT_EQ(s.sim.Command("snapshot shot.png"), Lines{"ok"});
  EXPECT_NE(Mapped(s.sim.pid(), "marlsim-sdl.so"), "");
  EXPECT_NE(Mapped(s.sim.pid(), "libSDL2_ttf"), "");
}

}  // namespace
}  // namespace marl::testing
