#include "interp/preparse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_records.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

using Events = std::vector<std::string>;

class Preparse : public ::testing::Test {
 protected:
  // The translation's bytes, or "?" and its output after a failure.
  std::string Translate(const std::string& text) {
    std::vector<char> output(text.size() + 14, 0);
    const int32_t n =
        TranslateTextRecord(tt.t(), text.c_str(), output.data(), int32_t(output.size()));
    if (n == 0) return "?" + std::string(output.data());
    return std::string(output.data(), size_t(n));
  }
  // The labels written for a record, without the lines that follow them.
  std::string Labels(const std::string& text) {
    tt.Events();
    Translate(text);
    std::string labels;
    for (const std::string& e : tt.Events()) {
      if (e.rfind("print \"  ", 0) == 0) labels += e.substr(6);
    }
    return labels;
  }
  TestTerminal tt;
};

TEST_F(Preparse, DisplayRecords) {
  EXPECT_EQ(Translate("D/HELLO"), std::string("\x82\x80\x80\x80\x83\x80"
                                              "000HELLO"));
  EXPECT_EQ(Translate("D/HELLO").size(), 14u);
  EXPECT_EQ(Translate("DBL5H2RUL3;/X"), std::string("\x82\xC0\x80\x85\x82\x80"
                                                    "130X"));
  // Every header bit, numbers at their limits, no digits read as 0.
  EXPECT_EQ(Translate("DQFOWUCBM-.NEDSL109H0P127RUIPBCL31H31;/"),
            std::string("\x82\xFF\xFF\xED\x80\xFF"
                        "OOO"));
  EXPECT_EQ(Translate("DLHP/x"), std::string("\x82\x80\x80\x80\x80\x80"
                                             "000x"));
  // The W form, with and without an address.
  EXPECT_EQ(Translate("W012DB/Y"), std::string("\x82\xC0\x80\x80\x83\x80"
                                               "000Y"));
  EXPECT_EQ(Translate("WDB/Y"), Translate("W012DB/Y"));
  EXPECT_EQ(Translate("W999DB/Y"), Translate("W012DB/Y"));  // counts as absent
  // Options running into the end leave an empty text.
  EXPECT_EQ(Translate("DB"), std::string("\x82\xC0\x80\x80\x83\x80"
                                         "000"));
  // Only the first '/' ends the options.
  EXPECT_EQ(Translate("D/a/b"), std::string("\x82\x80\x80\x80\x83\x80"
                                            "000a/b"));
}

TEST_F(Preparse, OtherKinds) {
  EXPECT_EQ(Translate("WB4"), std::string("\x81\x04", 2));
  EXPECT_EQ(Translate("W127B9"), std::string("\x81\x09", 2));
  EXPECT_EQ(Translate("G"), std::string("\xFF\x00", 2));
  EXPECT_EQ(Translate("S012DF*T100/ABC"), std::string("\x86*\x20\x04\x00\x64"
                                                      "ABC",
                                                      9));
  EXPECT_EQ(Translate("SDBD9S!/"), std::string("\x86 !\x09\x01\x1E", 6));
}

TEST_F(Preparse, ErrorLabels) {
  EXPECT_EQ(Labels("DL200/X"), "\"  6  \"");
  EXPECT_EQ(Labels("DH110/X"), "\"  7  \"");
  EXPECT_EQ(Labels("DP128/X"), "\"  8  \"");
  EXPECT_EQ(Labels("DRL32;/X"), "\"  9  \"");
  EXPECT_EQ(Labels("DRH32;/X"), "\"  10  \"");
  EXPECT_EQ(Labels("DRZ;/X"), "\"  11  \"");
  EXPECT_EQ(Labels("DQZ/X"), "\"  12  \"");
  EXPECT_EQ(Labels("DZL200/X"), "\"  12  \"");  // a display record stops at the first
  EXPECT_EQ(Labels("d/X"), "\"  5  \"");
  EXPECT_EQ(Labels("Z"), "\"  5  \"");
  EXPECT_EQ(Labels("D1/X"), "\"  1  \"");
  EXPECT_EQ(Labels("D200/X"), "\"  1  \"");
  EXPECT_EQ(Translate("D012/X"), "??1\n");  // an address after D: no label, still an error
  EXPECT_EQ(Labels("De/X"), "\"  2  \"");
  EXPECT_EQ(Labels("DV/X"), "\"  2  \"");
  EXPECT_EQ(Labels("S012X/"), "\"  3  \"");
  EXPECT_EQ(Labels("W012X/"), "\"  4  \"");
  EXPECT_EQ(Labels("W"), "\"  4  \"");
  EXPECT_EQ(Labels("WBx"), "\"  15  \"");
  EXPECT_EQ(Labels("SDT256/"), "\"  14  \"");
  // A terminal-parameter record reads all its options, each bad one labelled.
  EXPECT_EQ(Labels("SDXT999Y/"), "\"  15  \"\"  14  \"\"  15  \"");
  EXPECT_EQ(Labels("SDDx/"), "\"  15  \"\"  15  \"");
  EXPECT_EQ(Labels("SDB"), "\"  15  \"");  // no '/'
  EXPECT_EQ(Labels("SD/" + std::string(119, 'r')), "");
  EXPECT_EQ(Labels("SD/" + std::string(120, 'r')), "\"  15  \"");
}

TEST_F(Preparse, FailureOutput) {
  tt.Events();
  EXPECT_EQ(Translate("DL200/X"), "??1\n");
  EXPECT_EQ(tt.Events(), (Events{"print \"  6  \"", "print \"\\n\"",
                                 "print \"error parsing \\n\\r   DL200/X\\n\\r\""}));
  const std::string long_text = "DQZ/0123456789";
  Translate(long_text);
  EXPECT_EQ(tt.Events().back(), "print \"error parsing \\n\\r" + long_text + "\\n\\r\"");
}

TEST_F(Preparse, RecordsLongerThanTheWorkBufferAreRefused) {
  std::string text = "D/" + std::string(4087, 'x');
  EXPECT_EQ(Translate(text).size(), 4096u);
  text += 'x';
  tt.Events();
  EXPECT_EQ(Translate(text), "??1\n");
  EXPECT_EQ(tt.Events().size(), 2u);  // the empty line and "error parsing"
}

// Through the record path: a translated record is dispatched; a rejected one
// stops the rest of its block.
TEST_F(Preparse, DispatchAndBlocks) {
  tt.Host("WB4\n");
  EXPECT_EQ(tt.Events(), Events{"beep 1000 1000"});
  tt.Host("WB2\nZ\nWB3\n");
  Events events = tt.Events();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), "beep 1000 500");
  EXPECT_EQ(events.back().rfind("print \"error parsing", 0), 0u);
  EXPECT_EQ(tt.Sent(), "");

  tt.t().records.text_dialect = 0;
  tt.Host("G\n");
  EXPECT_EQ(tt.Sent(), "P,Rows=16,Cols=20");
  EXPECT_EQ(tt.t().records.text_dialect, 1);
  EXPECT_NE(tt.t().banks.work, nullptr);

  tt.Host("SDD8T7/\n");
  EXPECT_EQ(Config(tt.t()).beep_duration, 240);
  EXPECT_EQ(Config(tt.t()).parameter5, 7);
  tt.Host("W000D/\\Z\n");  // a display record reaches the command language
  EXPECT_EQ(tt.Sent(), Status('1'));
}

TEST_F(Preparse, NothingLeaks) {
  const int32_t before = tt.t().alloc.bytes_in_use;
  tt.Host("D/HELLO\nG\nWB0\nSD/\nDQZ/X\n");
  tt.Host("Z\n");
  EXPECT_EQ(tt.t().alloc.bytes_in_use, before);
}

}  // namespace
}  // namespace marl::testing
