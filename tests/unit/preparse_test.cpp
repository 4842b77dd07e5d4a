#include "commands/preparse.h"

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
  // The translation's bytes, or "?" and the output after a failure.
  std::string Translate(const std::string& text) {
    std::vector<char> output(text.size() + 14, 0);
    const int32_t n =
        TranslateTextRecord(tt.t(), text.c_str(), output.data(), int32_t(output.size()));
    return n == 0 ? "?" + std::string(output.data()) : std::string(output.data(), size_t(n));
  }
  // The labels written for a record, without the lines that follow them.
  std::string Labels(const std::string& text) {
    tt.Events();
    Translate(text);
    std::string labels;
    for (const std::string& e : tt.Events()) {
      if (e.rfind("print \"  ", 0) == 0) labels += e.substr(9, e.size() - 12) + ";";
    }
    return labels;
  }
  TestTerminal tt;
};

TEST_F(Preparse, Translations) {
  // Six header bytes and three of address.
  const std::string display = std::string("\x82\x80\x80\x80\x83\x80") + "000";
  const std::string bold = std::string("\x82\xC0\x80\x80\x83\x80") + "000";
  const std::pair<std::string, std::string> records[] = {
      {"D/HELLO", display + "HELLO"},
      {"DBL5H2RUL3;/X", std::string("\x82\xC0\x80\x85\x82\x80") + "130X"},
      // Every header bit, numbers at their limits; no digits read as 0.
      {"DQFOWUCBM-.NEDSL109H0P127RUIPBCL31H31;/", std::string("\x82\xFF\xFF\xED\x80\xFF") + "OOO"},
      {"DLH109P/x", std::string("\x82\x80\x80\x80\xED\x80") + "000x"},
      {"W012DB/Y", bold + "Y"},
      {"W999DB/Y", bold + "Y"},  // address absent
      {"DB", bold},              // no '/': no text
      {"D/a/b", display + "a/b"},
      {"WB4", std::string("\x81\x04", 2)},
      {"G", std::string("\xFF\x00", 2)},
      {"S012DF*T255/ABC", std::string("\x86*\x20\x04\x00\xFF", 6) + "ABC"},
      {"SDBD9S!/", std::string("\x86 !\x09\x01\x1E", 6)},
      {"D/" + std::string(4087, 'x'), display + std::string(4087, 'x')},
      {"SD/" + std::string(119, 'r'), std::string("\x86  \x04\x00\x1E", 6) + std::string(119, 'r')},
  };
  for (const auto& [text, bytes] : records) EXPECT_EQ(Translate(text), bytes) << text;
}

TEST_F(Preparse, FailuresAndTheirLabels) {
  // A failure prints its label, a line end, and the record right-aligned.
  tt.Events();
  Translate("DL110/X");
  EXPECT_EQ(tt.Events(), (Events{"print \"  6  \"", "print \"\\n\"",
                                 "print \"error parsing \\n\\r   DL110/X\\n\\r\"",
                                 "refused parse6 \"L above 109\" record \"\""}));
  const auto check = [&](const std::string& text, const char* labels) {
    EXPECT_EQ(Labels(text), labels) << text;
    EXPECT_EQ(Translate(text), "??1\n") << text;
  };
  const std::pair<const char*, const char*> records[] = {
      {"DL110/X", "6;"},   {"DH110/X", "7;"}, {"DP128/X", "8;"},   {"DRL32;/X", "9;"},
      {"DRH32;/X", "10;"}, {"DRZ;/X", "11;"}, {"DQZ/X", "12;"},    {"d/X", "5;"},
      {"Z", "5;"},         {"D1/X", "1;"},    {"D128/X", "1;"},    {"De/X", "2;"},
      {"DV/X", "2;"},      {"S012X/", "3;"},  {"W012X/", "4;"},    {"W", "4;"},
      {"WBx", "15;"},      {"SDB", "15;"},    {"SDDx/", "15;15;"},
  };
  for (const auto& [text, labels] : records) check(text, labels);
  check("DZL200/X", "12;");         // a display record stops at its first error
  check("D127/X", "");              // a valid address after D: an error without a label
  check("SDXT256Y/", "15;14;15;");  // a terminal-parameter record reads all its options
  check("SD/" + std::string(120, 'r'), "15;");
  check("D/" + std::string(4088, 'x'), "");  // longer than the work buffer
}

// Through the record path: translated records are dispatched, a display
// record reaches the command language, and nothing leaks.
TEST_F(Preparse, Dispatch) {
  const int32_t before = tt.t().alloc.bytes_in_use;
  tt.Host("WB2\nW000D/\\Z\n");
  EXPECT_EQ(tt.Events(), (Events{"beep 1000 500",
                                 "refused K\\\\1 \"failed, or a command the terminal does not "
                                 "have\" record \"W000D/\\\\Z\""}));
  EXPECT_EQ(tt.Sent(), Reply(kStatusFailure));
  EXPECT_NE(tt.t().banks.work, nullptr);  // the work buffer is in use from now on
  EXPECT_EQ(tt.t().alloc.bytes_in_use, before);
}

}  // namespace
}  // namespace marl::testing
