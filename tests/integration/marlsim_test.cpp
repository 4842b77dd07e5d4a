// The real program, started as a host developer starts it, against a host
// played by the test on a loopback port.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"

namespace marl::testing {
namespace {

// The first line of an answer, "" when none came.
std::string First(const Lines& lines) {
  return lines.empty() ? "" : lines[0];
}

TEST(Marlsim, StartsWithTuneSimulatorIdPowerUpAndTrace) {
  TempDir dir;
  LoopbackHost host;
  Marlsim sim({"--size", "20x16", "--trace", "trace.txt", Port(host), "-ISCAN01"}, dir.path());
  ASSERT_TRUE(host.Accept(60000)) << sim.Diagnostics();
  EXPECT_EQ(host.Receive(7, 30000), "SCAN01,");
  const std::string power_up = host.ReceiveThrough("IP=" + LocalAddress(), 30000);
  EXPECT_TRUE(std::regex_match(power_up, std::regex("P,Rows=16,Cols=20\\x00IP=\\d+(\\.\\d+){3}")))
      << power_up;
  const Lines events = sim.Command("events");
  ASSERT_EQ(events.size(), 8u);
  EXPECT_EQ(Lines(events.begin(), events.begin() + 6),
            (Lines{"beep 2000 200", "beep 500 250", "beep 500 10", "sleep 500", "send \"SCAN01,\"",
                   "sleep 1000"}));
  EXPECT_TRUE(std::regex_match(events[6], std::regex(R"(send "P,Rows=16,Cols=20\\x00IP=[0-9.]+")")))
      << events[6];
  EXPECT_NE(
      First(sim.Command("state"))
          .find("\"rows\":16,\"cols\":20,\"waiting\":true,\"text_dialect\":1,\"insert\":false,"
                "\"ping\":false,\"auto\":false,\"connected\":true"),
      std::string::npos);
  EXPECT_EQ(sim.Command("quit"), Lines{"ok"});
  EXPECT_EQ(sim.Wait(), 0);
  EXPECT_TRUE(host.WaitForEnd(5000));
  const std::string trace = dir.Read("trace.txt");
  EXPECT_NE(trace.find("send 7 bytes"), std::string::npos) << trace;
  EXPECT_NE(trace.find("|SCAN01,|"), std::string::npos) << trace;
}

TEST(Marlsim, TheProgramOutlivesTheHostsConnection) {
  for (const bool reset : {false, true}) {
    TempDir dir;
    LoopbackHost host;
    Marlsim sim({"--size", "21x15", Port(host)}, dir.path());
    ASSERT_TRUE(host.Accept(60000)) << sim.Diagnostics();
    EXPECT_EQ(host.ReceiveThrough("IP=" + LocalAddress(), 30000).substr(0, 18),
              std::string("P,Rows=15,Cols=21\0", 18));
    host.Close(reset);
    EXPECT_EQ(sim.Command("wait closed"), Lines{"ok"});
    EXPECT_NE(First(sim.Command("state")).find("\"connected\":false"), std::string::npos);
    EXPECT_EQ(sim.Command("wait ready 1000"), Lines{"error: host closed"});
    EXPECT_EQ(sim.Rows().size(), 15u);
    EXPECT_EQ(sim.Command("quit"), Lines{"ok"});
    EXPECT_EQ(sim.Wait(), 2);  // an error answered on the way
  }
}

// A host that stalls: it reads nothing for longer than the send time-out,
// then reads again. The time-out is cut to a second through the
// environment, and the buffers are kept small so that they fill quickly.
// The "Send timeout" box shows once the send has waited that second, then
// every reply arrives, in order, and the program goes on as before.
TEST(Marlsim, AStalledHostGetsEveryReplyInOrderAfterTheSendTimeout) {
  TempDir dir;
  LoopbackHost host(4096);
  Marlsim sim({"--size", "20x16", "--trace", "trace.txt", Port(host)}, dir.path(),
              {{"MARLSIM_SEND_TIMEOUT_MS", "1000"}, {"MARLSIM_SEND_BUFFER", "4096"}});
  ASSERT_TRUE(host.Accept(60000)) << sim.Diagnostics();
  const std::string power_up = host.ReceiveThrough("IP=" + LocalAddress(), 30000);
  sim.Command("events");
  // Resets, which announce the terminal again, and a command it answers
  // with a status, in a pattern that shows any loss or reordering. Each
  // record is 16 bytes, so no receive leaves more of a record behind than
  // the command buffer holds; all of them fit the terminal's receive
  // buffer, while the answers overflow the buffers between the two ends.
  std::string records;
  std::string replies;
  for (int i = 0; i < 3000; ++i) {
    records += i % 3 == 0 ? Command("\\Qxxxx")
                          : "\xff"
                            "00000000xxxxxx\n";
    replies += i % 3 == 0 ? Status('1') : power_up;
  }
  // Once the terminal stops reading, the host's own send blocks: it writes
  // from a thread of its own.
  std::thread writer([&] { host.Send(records); });
  std::this_thread::sleep_for(std::chrono::milliseconds(3000));
  const std::string received = host.Receive(replies.size(), 30000);
  writer.join();
  EXPECT_EQ(received.size(), replies.size());
  EXPECT_TRUE(received == replies);
  // Each send that finds the socket full for the whole time-out shows the
  // box (how often depends on when the kernel frees room); nothing fails.
  const Lines events = sim.Command("events");
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events.back(), "ok");
  size_t boxes = 0;
  for (size_t i = 0; i + 1 < events.size(); ++i) {
    // Every third record is refused, as the replies above say.
    if (events[i].rfind("send ", 0) == 0 || events[i].rfind("refused K", 0) == 0) continue;
    EXPECT_EQ(events[i], "msgbox \"Warning\" \"Send timeout\" ok ok");
    ++boxes;
  }
  EXPECT_GE(boxes, 1u);
  // The trace stamps each send, and the wait that ends in the box: a second
  // apart, neither sooner nor absurdly later however busy the machine.
  std::istringstream trace(dir.Read("trace.txt"));
  int sent_at = 0, shortest = 1 << 30, longest = 0, h, m, s, ms;
  size_t waits = 0;
  for (std::string line; std::getline(trace, line);) {
    char what[16] = {};
    if (std::sscanf(line.c_str(), "%d:%d:%d.%d %15[a-z ]", &h, &m, &s, &ms, what) != 5) continue;
    const int at = ((h * 60 + m) * 60 + s) * 1000 + ms;
    if (std::string(what) == "send ") sent_at = at;
    if (std::string(what) != "send waits") continue;
    const int waited = (at - sent_at + 86400000) % 86400000;  // past midnight too
    shortest = std::min(shortest, waited);
    longest = std::max(longest, waited);
    ++waits;
  }
  EXPECT_GE(shortest, 900);
  EXPECT_LE(longest, 10000);
  EXPECT_EQ(waits, boxes);

  ASSERT_TRUE(host.Send(Command("\\Q")));
  EXPECT_EQ(host.Receive(4, 30000), Status('1'));
  EXPECT_EQ(sim.Command("quit"), Lines{"ok"});
  EXPECT_EQ(sim.Wait(), 0);
}

TEST(Marlsim, TheSetupWindowAtTheFirstStartAndOnItsHotKey) {
  TempDir dir;
  LoopbackHost host;
  Marlsim sim({Port(host)}, dir.path());
  EXPECT_EQ(First(sim.Command("screen")), "screen 21 27 1 10");
  EXPECT_EQ(sim.Command("wait text \" COLS:  20 \" 0"), Lines{"ok"});
  for (const char* command : {"key backspace", "key Backspace", "type \"245\"", "key Enter"}) {
    EXPECT_EQ(sim.Command(command), Lines{"ok"}) << command;
  }
  ASSERT_TRUE(host.Accept(60000)) << sim.Diagnostics();
  EXPECT_EQ(host.ReceiveThrough("IP=" + LocalAddress(), 30000).substr(0, 18),
            std::string("P,Rows=16,Cols=24\0", 18));
  EXPECT_EQ(dir.Read("vozido.ini"), "ROWS=16\nCOLS=24\n");
  EXPECT_EQ(First(sim.Command("screen")), "screen 16 24 1 0");

  // Ctrl+F1: answered as soon as the setup window is open, which then takes
  // the commands that follow until Enter closes it; Ctrl+P announces the
  // new size.
  EXPECT_EQ(sim.Command("hotkey 9"), Lines{"ok"});
  EXPECT_NE(sim.Rows().at(1).find("COLS:"), std::string::npos);
  for (const char* command : {"key Backspace", "key Backspace", "type 30", "key Tab",
                              "key Backspace", "key Backspace", "type 12", "key Enter"}) {
    EXPECT_EQ(sim.Command(command), Lines{"ok"}) << command;
  }
  EXPECT_EQ(sim.RemainingOutput(300), "");
  EXPECT_EQ(sim.Command("screen").at(1), "Press CTRL-P" + std::string(18, ' '));
  EXPECT_EQ(First(sim.Command("screen")), "screen 12 30 1 0");
  EXPECT_EQ(sim.Command("key Ctrl+P"), Lines{"ok"});
  EXPECT_EQ(host.ReceiveThrough("IP=" + LocalAddress(), 30000).substr(0, 21),
            std::string("P,Rows=12,Cols=30\0IP=", 21));
  EXPECT_EQ(dir.Read("vozido.ini"), "ROWS=12\nCOLS=30\n");
  sim.CloseInput();
  EXPECT_EQ(sim.Wait(), 0);
}

// Settings files a person or an attacker may leave: start-up goes on at
// once with a size the program can draw, and standard error says why.
TEST(Marlsim, SettingsFilesThatAreNoneOrHoldHugeSizesStillStart) {
  const std::string most = "2048";
  const struct {
    const char* name;
    std::string ini;  // "fifo" makes a fifo instead
    std::string rows, columns;
    const char* said;
  } cases[] = {
      {"a fifo", "fifo", "15", "21", "is not a regular file"},
      {"huge both", "ROWS=2147483647\nCOLS=2147483647\n", most, most, "COLS=2147483647 is more"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string ini = dir.File("vozido.ini");
    if (c.ini == "fifo") {
      ASSERT_EQ(mkfifo(ini.c_str(), 0600), 0);
    } else {
      dir.Write("vozido.ini", "COLS=21\nROWS=15\n" + c.ini);
    }
    LoopbackHost host;
    // Without a usable file the size comes from the command line, which is
    // applied after the file is read.
    const bool file = c.ini != "fifo";
    Marlsim sim(file ? Lines{Port(host)} : Lines{"--size", "21x15", Port(host)}, dir.path());
    ASSERT_TRUE(host.Accept(20000)) << c.name << sim.Diagnostics();
    const std::string power_up = PowerUp(std::stoi(c.rows), std::stoi(c.columns));
    EXPECT_EQ(host.Receive(power_up.size(), 20000), power_up) << c.name;
    // A form as wide as the screen, drawn before the terminal is ready.
    host.Send(HostCommand("\\1T\\Qty:\\N12\\"));
    EXPECT_EQ(sim.Command("wait ready 20000", 30000), Lines{"ok"}) << c.name;
    EXPECT_EQ(First(sim.Command("screen")).substr(0, 7 + c.rows.size()), "screen " + c.rows)
        << c.name;
    EXPECT_EQ(sim.Command("quit"), Lines{"ok"});
    EXPECT_EQ(sim.Wait(), 0);
    EXPECT_NE(sim.Diagnostics().find(c.said), std::string::npos) << c.name << sim.Diagnostics();
  }
}

// A trace to a device that takes nothing: said once, and the run goes on.
TEST(Marlsim, ATraceThatCannotBeWrittenIsSaidOnce) {
  TempDir dir;
  LoopbackHost host;
  Marlsim sim({"--size", "20x16", "--trace", "/dev/full", Port(host)}, dir.path());
  ASSERT_TRUE(host.Accept(20000)) << sim.Diagnostics();
  EXPECT_EQ(host.Receive(PowerUp().size(), 20000), PowerUp());
  host.Send(HostCommand("\\1T\\Qty:\\N12\\"));
  EXPECT_EQ(sim.Command("wait ready 20000", 30000), Lines{"ok"});
  EXPECT_EQ(sim.Command("type \"3\""), Lines{"ok"});
  EXPECT_EQ(sim.Command("quit"), Lines{"ok"});
  EXPECT_EQ(sim.Wait(), 0);
  const std::string said = sim.Diagnostics();
  const std::string line = "cannot write the trace: No space left on device";
  EXPECT_NE(said.find(line), std::string::npos) << said;
  EXPECT_EQ(said.find(line), said.rfind(line)) << said;
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
  EXPECT_NE(second.Diagnostics().find("another marlsim started without terminal arguments"),
            std::string::npos);

  // With options the guard does not apply; with no host it fails, unread.
  Marlsim optioned({"--size", "20x16", "-P" + std::to_string(UnusedPort())}, dir.path(), env);
  optioned.Command("screen", 3000);
  EXPECT_EQ(optioned.Wait(), 1);
  EXPECT_EQ(optioned.RemainingOutput(100), "");
  const std::string why = optioned.Diagnostics();
  // The window's words, without the window's margins.
  EXPECT_NE(why.find("\nmarlsim: Failed to Connect!\n"), std::string::npos) << why;
  EXPECT_NE(why.find(": Connection refused\n"), std::string::npos) << why;
  EXPECT_NE(why.find("marlsim --demo"), std::string::npos) << why;  // no -H given

  // The lock goes with the process, however it ends.
  kill(first.pid(), SIGKILL);
  first.Wait();
  Marlsim third({}, dir.path(), env);
  EXPECT_EQ(third.Command("wait text \"ROWS:\""), Lines{"ok"});
  EXPECT_EQ(third.Command("quit"), Lines{"ok"});
  EXPECT_EQ(third.Wait(), 0);
  EXPECT_EQ(dir.Read("vozido.ini"), "<missing>");
}

TEST(Marlsim, SaysWhatItMadeOfAHostNameOrAPortOutOfRange) {
  TempDir dir;
  Marlsim sim({"--size", "20x16", "-Hhost.example", "-P70000"}, dir.path());
  EXPECT_EQ(sim.Wait(), 1);
  const std::string why = sim.Diagnostics();
  EXPECT_NE(why.find("-Hhost.example is not a dotted IPv4 address (host names are not looked "
                     "up); the terminal uses 255.255.255.255\n"),
            std::string::npos)
      << why;
  EXPECT_NE(why.find("-P70000 is not a port from 1 to 65535; the terminal uses 4464\n"),
            std::string::npos);
  EXPECT_NE(why.find("cannot connect to host 255.255.255.255 port 4464: "), std::string::npos);
  EXPECT_EQ(why.find("marlsim --demo"), std::string::npos);  // a host was given
}

TEST(Marlsim, ScriptFilesAndItsOwnOptions) {
  TempDir dir;
  LoopbackHost host;
  dir.Write("script", "# a check\nevents\n\nbogus\nwait ready 10\n");
  Marlsim sim({"--size", "20x16", "--script", "script", Port(host)}, dir.path());
  ASSERT_TRUE(host.Accept(60000));
  EXPECT_EQ(sim.Wait(), 2);
  // A script's failed wait shows the screen and names the file and line.
  const std::string out = sim.RemainingOutput(1000);
  const size_t bogus =
      out.find("\nok\nerror: unknown command \"bogus\" (help lists the commands)\nscreen 20x16");
  EXPECT_NE(bogus, std::string::npos) << out;
  EXPECT_NE(out.find("error: script:5: timeout\n", bogus), std::string::npos) << out;

  Marlsim help({"--help"}, dir.path());
  EXPECT_EQ(help.Wait(), 0);
  EXPECT_NE(help.RemainingOutput(1000).find("--script FILE"), std::string::npos);
  for (const Lines& bad :
       {Lines{"--bogus"}, Lines{"--size", "0x5"}, Lines{"--size", "20"}, Lines{"--size", "2049x16"},
        Lines{"--ui=bogus"}, Lines{"--zoom", "5"}, Lines{"--script", "nowhere"}, Lines{"--trace"},
        Lines{"--script", "."}, Lines{"--script", ".", "--ui=tui"},
        Lines{"--script", ".", "--load", "2"}}) {
    Marlsim refused(bad, dir.path());
    EXPECT_EQ(refused.Wait(), 1) << bad[0];
    EXPECT_NE(refused.Diagnostics().find("marlsim: "), std::string::npos);
  }
}

}  // namespace
}  // namespace marl::testing
