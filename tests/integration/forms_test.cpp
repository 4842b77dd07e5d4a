// The host's forms and tables through the real program: what the host sends
// on the wire, what the window shows, and what the terminal answers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"
#include "temp_dir.h"

namespace marl::testing {
namespace {

using Lines = std::vector<std::string>;

// Header bytes are taken with their top bit off, so 0x80 stands for 0
// without putting a zero byte on the wire.
std::string Header(int v0 = 0, int v2 = 0) {
  return std::string{'\x80', '\x80', char(0x80 | v0), '\x80', char(0x80 | v2)} + "000";
}

std::string Record(const std::string& body, const std::string& header = Header()) {
  return "\x82" + header + body + "\n";
}

// A terminal of 20 x 16 connected to a host that has read its power-up.
struct Session {
  TempDir dir;
  LoopbackHost host;
  Marlsim sim{{"--size", "20x16", "-P" + std::to_string(host.port())}, dir.path()};

  bool Start() {
    if (!host.Accept(10000)) return false;
    host.ReceiveUntilQuiet(300, 5000);
    sim.Command("events");
    return true;
  }
  // Sends one record and waits until the terminal has handled it.
  std::string Exchange(const std::string& record) {
    host.Send(record);
    sim.Command("wait output");
    sim.Command("sleep 50");
    return host.ReceiveUntilQuiet(150, 2000);
  }
  std::string State() {
    const Lines lines = sim.Command("state");
    return lines.empty() ? "" : lines[0];
  }
};

TEST(Forms, AFieldFormWithAttributesAndABankReference) {
  Session s;
  ASSERT_TRUE(s.Start()) << s.sim.Diagnostics();
  // Bank references are expanded once the host has spoken the text dialect,
  // which gives the expansion its work buffer: the bank is loaded that way.
  EXPECT_EQ(s.Exchange("D/\\B\\Lot\n"), "K\\\\0");
  // Row 0 underlined, the Lot field bold; the bank gives the label.
  const std::string form = "\\1T\\|H\x82Stock|H\x80^\n|D00:\\A|H\x88XYZ|H\x80\\Qty:\\N12\\";
  EXPECT_EQ(s.Exchange(Record(form, Header(0, 1))), "");

  const Lines screen = s.sim.Command("screen");
  ASSERT_EQ(screen.size(), 18u);
  EXPECT_EQ(Lines(screen.begin(), screen.begin() + 4),
            (Lines{"screen 16 20 1 11", "Stock               ", "Lot:XYZQty:12       ",
                   std::string(20, ' ')}));  // on field 1, Qty
  const Lines attrs = s.sim.Rows("attrs");
  ASSERT_EQ(attrs.size(), 16u);
  EXPECT_EQ(Lines(attrs.begin(), attrs.begin() + 3),
            (Lines{"22222000000000000000", "00008880000000000000", std::string(20, '0')}));
  EXPECT_EQ(s.State(),
            "{\"rows\":16,\"cols\":20,\"waiting\":false,\"text_dialect\":1,\"insert\":false,"
            "\"ping\":false,\"auto\":false,\"connected\":true,\"form\":{\"form_id\":1,"
            "\"is_table\":false,\"current_field\":1,\"cursor\":0,\"top_row\":0,\"fields\":["
            "{\"row\":1,\"column\":4,\"width\":3,\"length\":3,\"flags\":65,\"modified\":false,"
            "\"reply_kind\":\" \",\"value\":\"XYZ\"},"
            "{\"row\":1,\"column\":11,\"width\":2,\"length\":2,\"flags\":78,\"modified\":false,"
            "\"reply_kind\":\" \",\"value\":\"12\"}]}}");
}

TEST(Forms, BadFormTextIsAnsweredAndChangesNothing) {
  Session s;
  ASSERT_TRUE(s.Start()) << s.sim.Diagnostics();
  EXPECT_EQ(s.Exchange(Record("\\2T\\A:\\Ax")), "");
  const std::string before = s.State();
  EXPECT_EQ(s.Exchange(Record("\\2T\\B:\\A|D42")), "K\\\\2");  // an empty bank
  EXPECT_EQ(s.Exchange(Record("\\2U\\7IAy")), "K\\\\6");
  EXPECT_EQ(s.Exchange(Record("\\40V\\0IAy")), "K\\\\4");
  EXPECT_EQ(s.State(), before);
  EXPECT_EQ(s.Exchange(Record("\\2")), "");
  EXPECT_EQ(s.sim.Rows()[0], "A:x                 ");
}

}  // namespace
}  // namespace marl::testing
