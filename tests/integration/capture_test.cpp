// marlsim --pcap: the session as a capture that tshark reads with the
// dissector of tools/wireshark, compared with what a person checked once;
// the load driver's capture of many terminals; and a capture file that
// goes away under a running session.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "harness.h"
#include "host/form_text.h"
#include "host/host_records.h"
#include "load_host.h"
#include "tshark.h"

namespace marl::testing {
namespace {

namespace host = marl::host;

std::string Field(int columns, const char* label, int width) {
  return host::FormText::FieldForm(columns).Text(label).Field(0, width).str();
}

// The host's half of the scripted session: every record kind a host sends,
// and every message the terminal answers with. Each step waits for the
// terminal to have read it, so the segments are the same on every run.
void PlaySession(Session& s) {
  host::Header fresh;
  fresh.word = host::option::kReleaseSlot;
  const std::string name = host::FormText::FieldForm(20)
                               .Text("Name:")
                               .Field(0, 8)
                               .EndRow()
                               .Text("Pin:")
                               .Field(host::field::kNumeric, 4)
                               .str();
  s.Host(host::CommandRecord(host::StoreAndShowBody(1, name), fresh));
  s.Keys({"type \"Ada\"", "key tab", "type \"42\"", "key enter"});
  s.Host(host::CommandRecord(host::StoreBody(2, Field(20, "Qty:", 4)), fresh));
  s.Host(host::CommandRecord(host::UpdateBody(2, host::UpdateData(0, '@', "7   "))));
  s.Host(host::CommandRecord(host::UpdateAndShowBody(2, host::UpdateLabel(0, "Num:"))));
  // Two records in one chunk, each answered.
  s.Host(host::CommandRecord(host::SetBankBody(3, "Bolts")) +
         host::CommandRecord(host::EraseBankBody(3)));
  s.Host(host::CommandRecord(host::KeyMapsBody({"@E", "@Ax"})));
  s.Host(host::CommandRecord(host::ToneBody(100, 3, 1)));
  s.Host(host::CommandRecord("\\T   031   "));  // a frequency step too high
  s.Host(host::CommandRecord(host::IdentifyBody()));
  // A record split across two chunks: the terminal answers once it is whole.
  const std::string unsupported = host::CommandRecord("\\Q");
  s.sim.Command("state");
  s.host.Send(unsupported.substr(0, 5));
  EXPECT_EQ(s.sim.Command("wait output"), Lines{"ok"});
  s.Host(unsupported.substr(5));
  // A menu whose reply names the row.
  host::Header menu;
  menu.word = host::option::kReplyRow | host::option::kNoSendWhenFull | host::option::kWrap;
  menu.entry_width = 1;
  s.Host(host::CommandRecord(host::TableTextBody("Receive^\nCount^\nLeave"), menu));
  s.Keys({"key down", "key enter"});
  s.Host(host::BeepRecord(2));
  s.Host(host::TerminalParametersRecord(0x41, 3));
  s.Host(host::TextDisplayRecord("", host::StoreAndShowBody(4, Field(20, "Lot:", 6))));
  s.Keys({"scan \"L7\"", "key esc"});
  s.Host(host::TextBeepRecord(1));
  s.Host(host::TextSettingsRecord("D3", ""));
  // A command record too short for its header, and a kind nobody knows.
  s.Host(std::string("\x82\x80\n", 3));
  s.Host(
      std::string("\x90\x80\x80\x80\x80\x80"
                  "000\n",
                  10));
  s.Keys({"answer ok"});
  s.Keys({"key ctrl+n"});
  s.Host(host::CommandRecord(host::PingBody()));
  s.Keys({"key ctrl+n"});
  s.Keys({"key ctrl+f"});
  s.Host(host::ResetRecord());
  s.Host(host::TextResetRecord());
}

// The dissected session, one line a frame of the protocol; a round trip's
// milliseconds vary from run to run and are left out.
std::string Dissected(const std::string& capture) {
  std::string out = Tshark(capture,
                           "-Y marlpoint -T fields -E occurrence=a -E aggregator='|' "
                           "-e marlpoint.direction -e _ws.col.Info -e _ws.expert.message");
  return std::regex_replace(out, std::regex("ping [0-9]+ ms"), "ping N ms");
}

TEST(Capture, ScriptedSessionDissectsAsCheckedIn) {
  if (!HaveTshark()) GTEST_SKIP() << "tshark is not installed";
  TempDir files;
  const std::string capture = files.File("session.pcapng");
  std::string dissected;
  {
    Session s({"--pcap", capture, "-ISCAN01"});
    ASSERT_TRUE(s.accepted);
    PlaySession(s);
    EXPECT_EQ(s.sim.Command("quit"), Lines{"ok"});
    EXPECT_EQ(s.sim.Wait(), 0) << s.sim.Diagnostics();
  }
  dissected = Dissected(capture);
  EXPECT_EQ(dissected.find("Lua"), std::string::npos);
  if (std::getenv("MARL_UPDATE_EXPECTED") != nullptr) {
    std::ofstream(MARL_CAPTURE_EXPECTED, std::ios::binary) << dissected;
  }
  EXPECT_EQ(dissected, ReadFile(MARL_CAPTURE_EXPECTED))
      << "to accept the new output: MARL_UPDATE_EXPECTED=1 and run this test again";
  // The stream itself is clean.
  EXPECT_EQ(Tshark(capture, "-Y tcp.analysis.flags"), "");
}

TEST(Capture, LoadDriversTerminalsAreCleanStreamsOfOneFile) {
  if (!HaveTshark()) GTEST_SKIP() << "tshark is not installed";
  constexpr int kTerminals = 100;
  LoadHost host(2);
  TempDir dir;
  dir.Write("script.txt", "wait ready 5000\ntype \"{n}\"\nkey Enter\n");
  const std::string capture = dir.File("load.pcapng");
  Marlsim sim({"--load", std::to_string(kTerminals), "--script", "script.txt", "--iterations", "2",
               "--pcap", capture, "--size", "20x16", "-P" + std::to_string(host.port()), "-ILD"},
              dir.path());
  ASSERT_EQ(sim.Wait(60000), 0) << sim.Diagnostics();
  const std::string streams = Tshark(capture, "-T fields -e tcp.stream");
  std::set<std::string> distinct;
  std::istringstream lines(streams);
  for (std::string line; std::getline(lines, line);) distinct.insert(line);
  EXPECT_EQ(distinct.size(), size_t(kTerminals));
  // Each opened and closed once.
  const std::string opened =
      Tshark(capture, "-Y 'tcp.flags.syn == 1 && tcp.flags.ack == 0' -T fields -e tcp.stream");
  EXPECT_EQ(std::count(opened.begin(), opened.end(), '\n'), kTerminals);
  const std::string closed = Tshark(capture, "-Y 'tcp.flags.fin == 1' -T fields -e tcp.stream");
  EXPECT_EQ(std::count(closed.begin(), closed.end(), '\n'), 2 * kTerminals);
  EXPECT_EQ(Tshark(capture, "-Y tcp.analysis.flags"), "");
}

TEST(Capture, FileKeepsUpWithTheSessionWhileItRuns) {
  TempDir dir;
  const std::string capture = dir.File("live.pcapng");
  Session s({"--pcap", capture});
  ASSERT_TRUE(s.accepted);
  s.Host(host::CommandRecord(host::StoreAndShowBody(1, Field(20, "Watched:", 4))));
  // Read while the session still runs: the screen reaches the file without
  // anything more happening on the wire.
  EXPECT_TRUE(
      Until([&] { return ReadFile(capture).find("Watched:") != std::string::npos; }, 20000));
  EXPECT_EQ(s.sim.Command("quit"), Lines{"ok"});
}

TEST(Capture, FileThatCannotBeWrittenEndsTheRunBeforeItConnects) {
  LoopbackHost host;
  TempDir dir;
  Marlsim sim({"--pcap", dir.File("no/such/dir.pcapng"), Port(host)}, dir.path());
  EXPECT_EQ(sim.Wait(), 1);
  EXPECT_NE(sim.Diagnostics().find("cannot write"), std::string::npos) << sim.Diagnostics();
  EXPECT_FALSE(host.Accept(0));
}

TEST(Capture, ReaderThatGoesAwayStopsTheCaptureOnceAndTheSessionGoesOn) {
  TempDir dir;
  const std::string fifo = dir.File("capture.fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // The reader takes the file's header and goes away.
  std::thread reader([&fifo] {
    const int fd = open(fifo.c_str(), O_RDONLY | O_CLOEXEC);
    char header[16];
    if (fd >= 0 && read(fd, header, sizeof header) > 0) close(fd);
  });
  Session s({"--pcap", fifo});
  reader.join();
  ASSERT_TRUE(s.accepted);
  for (int turn = 0; turn < 3; ++turn) {
    EXPECT_EQ(s.Host(host::CommandRecord("\\Q")), "K\\\\1");
  }
  EXPECT_EQ(s.sim.Command("quit"), Lines{"ok"});
  EXPECT_EQ(s.sim.Wait(), 0);
  const std::string said = s.sim.Diagnostics();
  const size_t first = said.find("stopped");
  EXPECT_NE(first, std::string::npos) << said;
  EXPECT_EQ(said.find("stopped", first + 1), std::string::npos) << said;
}

}  // namespace
}  // namespace marl::testing
