// The host's forms and a person's keys and scans through the real program:
// what the host sends, what the window shows, and what the terminal answers.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "harness.h"

namespace marl::testing {
namespace {

using namespace std::string_literals;

TEST(Session, AFieldFormWithAttributesAndABankReference) {
  Session s;
  ASSERT_TRUE(s.accepted) << s.sim.Diagnostics();
  // Bank references are expanded once the host has spoken the text dialect,
  // which gives the expansion its work buffer: the bank is loaded that way.
  EXPECT_EQ(s.Host("D/\\B\\Lot\n"), "K\\\\0");
  // Row 0 underlined, the Lot field bold; the bank gives the label.
  EXPECT_EQ(s.Host(HostCommand("\\1T\\|H\x82Stock|H\x80^\n|D00:\\A|H\x88XYZ|H\x80\\Qty:\\N12\\",
                               {0, 0, 0, 0, 1})),
            "");
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

TEST(Session, BadFormTextIsAnsweredAndChangesNothing) {
  Session s;
  ASSERT_TRUE(s.accepted) << s.sim.Diagnostics();
  EXPECT_EQ(s.Host(HostCommand("\\2T\\A:\\Ax")), "");
  const std::string before = s.State();
  EXPECT_EQ(s.Host(HostCommand("\\2T\\B:\\A|D42")), "K\\\\2");  // an empty bank
  EXPECT_EQ(s.Host(HostCommand("\\2U\\7IAy")), "K\\\\6");
  EXPECT_EQ(s.Host(HostCommand("\\40V\\0IAy")), "K\\\\4");
  EXPECT_EQ(s.State(), before);
  EXPECT_EQ(s.Host(HostCommand("\\2")), "");
  EXPECT_EQ(s.sim.Rows()[0], "A:x                 ");
}

TEST(Session, LogInThroughTheHostsFormAndTypeAheadOfTheNextOne) {
  Session s;
  ASSERT_TRUE(s.accepted) << s.sim.Diagnostics();
  EXPECT_EQ(s.Host(kLogin), "");
  EXPECT_EQ(s.Keys({"type bob", "key Tab", "type pw1", "key Enter"}),
            "K\\1\\0\\Kbob\\1\\Kpw1\\\\w\0F=01\0"s);
  EXPECT_EQ(s.sim.Rows().at(1), "Pass:***            ");

  // Typed while the host is busy: kept, and typed into the next form.
  EXPECT_EQ(s.Keys({"type 42", "key Enter"}), "");  // Enter goes back to the host: dropped
  EXPECT_EQ(s.Host(HostCommand("\\2T\\Item:\\@        \\")), "");
  EXPECT_EQ(s.sim.Rows().at(0), "Item:42             ");
  EXPECT_EQ(s.Keys({"key Enter"}), "K\\2\\0\\K42\\\\w\0F=00\0"s);
}

TEST(Session, KeyMapLoadedByTheHost) {
  Session s;
  ASSERT_TRUE(s.accepted) << s.sim.Diagnostics();
  EXPECT_EQ(s.Host(HostCommand("\\F\\12@T\\@A@rM")), "K\\\\0");
  EXPECT_EQ(s.Host(kLogin), "");
  EXPECT_EQ(s.Keys({"key F1", "type x", "key Enter"}), "K\\1\\0\\K12\\1\\Kx\\\\w\0F=01\0"s);
  EXPECT_EQ(s.Host(kLogin), "");
  // The second map ends the turn with its own reply in place of the form's.
  EXPECT_EQ(s.Keys({"key F2"}), "K\\\\\r\0F=00\0"s);
}

TEST(Session, ScanInjectedByTheHostOrTheScript) {
  Session s;
  ASSERT_TRUE(s.accepted) << s.sim.Diagnostics();
  // A field that sends when a scan fills it; the scan ends with Enter.
  const std::string code = HostCommand("\\1T\\Code:\\P        \\");
  EXPECT_EQ(s.Host(code), "");
  EXPECT_EQ(s.Host(HostCommand("\\IX 4711")), "K\\1\\0\\S\0014711\\\\w\0F=00\0"s);
  // The script's scan takes the same road; what follows a zero byte is cut.
  EXPECT_EQ(s.Host(code), "");
  EXPECT_EQ(s.Keys({"scan \"4711\\x00junk\""}), "K\\1\\0\\S\0014711\\\\w\0F=00\0"s);
}

TEST(Session, PingModeWithCtrlNAnsweredByTheHostsPing) {
  Session s;
  ASSERT_TRUE(s.accepted) << s.sim.Diagnostics();
  // Ctrl+N acts even while the terminal waits for the host's first screen.
  EXPECT_EQ(s.sim.Command("key Ctrl+N"), Lines{"ok"});
  EXPECT_EQ(s.host.Receive(4, 30000), "NG,0");
  const std::string ping = s.Host(HostCommand("\\PING"));
  EXPECT_TRUE(std::regex_match(ping, std::regex(R"(NG,\d+)"))) << ping;
  // Off again: the host's next ping gets no answer.
  EXPECT_EQ(s.sim.Command("hotkey 6"), Lines{"ok"});
  EXPECT_EQ(s.Host(HostCommand("\\PING")), "");
}

}  // namespace
}  // namespace marl::testing
