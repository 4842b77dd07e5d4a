// The real program, started as a host developer starts it, against a host
// played by the test on a loopback port.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "temp_dir.h"

namespace marl::testing {
namespace {

using Lines = std::vector<std::string>;

const std::string kPowerUp16x20("P,Rows=16,Cols=20\0IP=", 21);

bool IsAddress(const std::string& text) {
  return std::regex_match(text, std::regex(R"(\d+\.\d+\.\d+\.\d+)"));
}

std::string Port(const LoopbackHost& host) {
  return "-P" + std::to_string(host.port());
}

TEST(Marlsim, StartsWithSplashTuneSimulatorIdAndPowerUp) {
  TempDir dir;
  LoopbackHost host;
  Marlsim sim({"--size", "20x16", "--trace", "trace.txt", Port(host), "-ISCAN01"}, dir.path());
  ASSERT_TRUE(host.Accept(10000)) << sim.Diagnostics();
  EXPECT_EQ(host.Receive(7, 5000), "SCAN01,");
  const std::string power_up = host.ReceiveUntilQuiet(300, 5000);
  ASSERT_EQ(power_up.substr(0, kPowerUp16x20.size()), kPowerUp16x20);
  EXPECT_TRUE(IsAddress(power_up.substr(kPowerUp16x20.size()))) << power_up;

  EXPECT_EQ(sim.Command("events"), (Lines{"beep 2000 200", "beep 500 250", "beep 500 10",
                                          "sleep 500", "sleep 1000", "ok"}));
  const Lines rows = sim.Rows();
  ASSERT_EQ(rows.size(), 16u);
  EXPECT_EQ(rows[4], "      CORVANEX      ");
  EXPECT_EQ(rows[7], "Marlpoint Simulator ");
  EXPECT_EQ(rows[9], "    Version 2.30    ");
  EXPECT_EQ(rows[12], "  Windows NT/2000   ");
  const Lines state = sim.Command("state");
  ASSERT_EQ(state.size(), 2u);
  EXPECT_NE(state[0].find("\"rows\":16,\"cols\":20,\"waiting\":true"), std::string::npos);
  EXPECT_NE(state[0].find("\"connected\":true"), std::string::npos);

  EXPECT_EQ(sim.Command("quit"), Lines{"ok"});
  EXPECT_EQ(sim.Wait(), 0);
  EXPECT_TRUE(host.WaitForEnd(5000));
  const std::string trace = dir.Read("trace.txt");
  EXPECT_NE(trace.find("send 7 bytes"), std::string::npos) << trace;
  EXPECT_NE(trace.find("|SCAN01,|"), std::string::npos) << trace;
}

TEST(Marlsim, ABadCommandRecordIsShownAndAnsweredWithStatusOne) {
  TempDir dir;
  LoopbackHost host;
  Marlsim sim({"--size=20x16", Port(host)}, dir.path());
  ASSERT_TRUE(host.Accept(10000)) << sim.Diagnostics();
  host.ReceiveUntilQuiet(300, 5000);
  sim.Command("events");
  ASSERT_TRUE(host.Send(std::string("\x90\x31\x32\x33\n", 5)));
  EXPECT_EQ(sim.Command("wait output"), Lines{"ok"});
  EXPECT_EQ(
      sim.Command("events"),
      (Lines{"msgbox \"\" \"Bad Command:            \\x90123\\n\\n0xffffff90 0x31 0x32\" ok ok",
             "ok"}));
  // The status-reply switch is on: nothing has turned it off.
  EXPECT_EQ(host.Receive(4, 5000), "K\\\\1");
  // Reading the window starts the next wait afresh.
  EXPECT_EQ(sim.Command("wait output 0"), Lines{"ok"});
  EXPECT_EQ(sim.Command("grid").size(), 18u);
  EXPECT_EQ(sim.Command("wait output 100"), Lines{"error: timeout"});
  sim.CloseInput();
  EXPECT_EQ(sim.Wait(), 2);
}

TEST(Marlsim, NothingListeningMeansFailedToConnectAndStatusOne) {
  TempDir dir;
  Marlsim sim({"--size", "20x16", "-P" + std::to_string(UnusedPort())}, dir.path());
  sim.Command("screen", 3000);
  EXPECT_EQ(sim.Wait(), 1);
  EXPECT_EQ(sim.RemainingOutput(100), "");
  EXPECT_NE(sim.Diagnostics().find("Failed to Connect!"), std::string::npos) << sim.Diagnostics();
}

TEST(Marlsim, TheProgramOutlivesTheHostsConnection) {
  for (const bool reset : {false, true}) {
    TempDir dir;
    LoopbackHost host;
    Marlsim sim({"--size", "21x15", Port(host)}, dir.path());
    ASSERT_TRUE(host.Accept(10000)) << sim.Diagnostics();
    EXPECT_EQ(host.ReceiveUntilQuiet(300, 5000).substr(0, 18),
              std::string("P,Rows=15,Cols=21\0", 18));
    if (reset) {
      host.Reset();
    } else {
      host.Close();
    }
    EXPECT_EQ(sim.Command("wait closed"), Lines{"ok"});
    const Lines state = sim.Command("state");
    ASSERT_EQ(state.size(), 2u);
    EXPECT_NE(state[0].find("\"connected\":false"), std::string::npos);
    EXPECT_EQ(sim.Command("wait ready 1000"), Lines{"error: host closed"});
    EXPECT_EQ(sim.Rows().size(), 15u);
    EXPECT_EQ(sim.Command("sleep 50"), Lines{"ok"});
    EXPECT_EQ(sim.Command("quit"), Lines{"ok"});
    EXPECT_EQ(sim.Wait(), 2);
  }
}

// A host that reads nothing: the send time-out shows, and the program goes
// on once the host drains. The time-out is cut to a second through the
// environment, and the buffers are kept small so they fill quickly.
TEST(Marlsim, ASendTimeoutIsShownAndTheProgramGoesOn) {
  TempDir dir;
  LoopbackHost host(4096);
  Marlsim sim({"--size", "20x16", Port(host)}, dir.path(),
              {{"MARLSIM_SEND_TIMEOUT_MS", "1000"}, {"MARLSIM_SEND_BUFFER", "4096"}});
  ASSERT_TRUE(host.Accept(10000)) << sim.Diagnostics();
  // Each reset record makes the terminal announce itself again.
  std::string resets;
  for (int i = 0; i < 4000; ++i)
    resets += std::string(
        "\xff"
        "00000000\n",
        10);
  ASSERT_TRUE(host.Send(resets));

  std::atomic<bool> draining{false};
  std::thread drain([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    draining = true;
    host.WaitForEnd(60000);
  });
  EXPECT_EQ(sim.Command("wait quiet 500", 60000), Lines{"ok"});
  const Lines events = sim.Command("events");
  bool timed_out = false;
  for (const std::string& event : events) {
    timed_out |= event == "msgbox \"Warning\" \"Send timeout\" ok ok";
  }
  EXPECT_TRUE(timed_out) << events.size() << " events";
  EXPECT_TRUE(draining);
  EXPECT_EQ(sim.Command("state").size(), 2u);
  EXPECT_EQ(sim.Command("quit"), Lines{"ok"});
  EXPECT_EQ(sim.Wait(), 0);
  drain.join();
}

TEST(Marlsim, WithoutASizeTheSetupWindowComesFirst) {
  TempDir dir;
  LoopbackHost host;
  Marlsim sim({Port(host)}, dir.path());
  const Lines screen = sim.Command("screen");
  ASSERT_EQ(screen.size(), 23u);
  EXPECT_EQ(screen[0], "screen 21 27 1 10");
  EXPECT_EQ(screen[2], " COLS:  20                 ");
  EXPECT_EQ(screen[4], " ROWS:  16                 ");
  EXPECT_EQ(screen[6], " Press Enter to Save       ");
  EXPECT_EQ(sim.Command("wait text \"Esc to Cancel\""), Lines{"ok"});
  EXPECT_EQ(sim.Command("key backspace"), Lines{"ok"});
  EXPECT_EQ(sim.Command("key Backspace"), Lines{"ok"});
  EXPECT_EQ(sim.Command("type \"245\""), Lines{"ok"});
  EXPECT_EQ(sim.Command("key Enter"), Lines{"ok"});
  ASSERT_TRUE(host.Accept(10000)) << sim.Diagnostics();
  EXPECT_EQ(host.ReceiveUntilQuiet(300, 5000).substr(0, 18),
            std::string("P,Rows=16,Cols=24\0", 18));
  EXPECT_EQ(dir.Read("vozido.ini"), "ROWS=16\nCOLS=24\n");
  EXPECT_EQ(sim.Command("screen")[0], "screen 16 24 1 0");
  sim.CloseInput();
  EXPECT_EQ(sim.Wait(), 0);
}

TEST(Marlsim, ASecondPlainCopyEndsAtOnceUntilTheFirstDies) {
  TempDir dir;
  const std::vector<std::pair<std::string, std::string>> env = {{"XDG_RUNTIME_DIR", dir.path()}};
  // No settings file: the plain copy waits in its setup window.
  Marlsim first({}, dir.path(), env);
  ASSERT_EQ(first.Command("wait text \"COLS:\""), Lines{"ok"});

  Marlsim second({}, dir.path(), env);
  EXPECT_EQ(second.Wait(5000), 0);
  EXPECT_EQ(second.RemainingOutput(100), "");
  EXPECT_EQ(second.Diagnostics(), "");

  // With options the guard does not apply.
  Marlsim optioned({"--size", "20x16", "-P" + std::to_string(UnusedPort())}, dir.path(), env);
  EXPECT_EQ(optioned.Wait(), 1);

  // The lock goes with the process, however it ends.
  kill(first.pid(), SIGKILL);
  first.Wait();
  Marlsim third({}, dir.path(), env);
  EXPECT_EQ(third.Command("wait text \"ROWS:\""), Lines{"ok"});
  EXPECT_EQ(third.Command("quit"), Lines{"ok"});
  EXPECT_EQ(third.Wait(), 0);
  EXPECT_EQ(dir.Read("vozido.ini"), "<missing>");
}

TEST(Marlsim, ScriptFilesAndItsOwnOptions) {
  TempDir dir;
  LoopbackHost host;
  dir.Write("script", "# a check\nevents\n\nbogus\nwait ready 10\n");
  Marlsim sim({"--size", "20x16", "--script", "script", Port(host)}, dir.path());
  ASSERT_TRUE(host.Accept(10000));
  EXPECT_EQ(sim.Wait(), 2);
  const std::string out = sim.RemainingOutput(1000);
  EXPECT_NE(out.find("sleep 500\nok\nerror: unknown command \"bogus\"\nerror: timeout\n"),
            std::string::npos)
      << out;

  Marlsim help({"--help"}, dir.path());
  EXPECT_EQ(help.Wait(), 0);
  EXPECT_NE(help.RemainingOutput(1000).find("--script FILE"), std::string::npos);
  for (const std::vector<std::string>& bad :
       {Lines{"--bogus"}, Lines{"--size", "0x5"}, Lines{"--size", "20"}, Lines{"--ui=sdl"},
        Lines{"--script", "no-such-file"}, Lines{"--trace"}}) {
    Marlsim refused(bad, dir.path());
    EXPECT_EQ(refused.Wait(), 1) << bad[0];
    EXPECT_NE(refused.Diagnostics().find("marlsim: "), std::string::npos);
  }
}

}  // namespace
}  // namespace marl::testing
