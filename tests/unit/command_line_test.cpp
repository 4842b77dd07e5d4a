#include "link/command_line.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <string>

#include "terminal_fixture.h"

namespace marl::testing {
namespace {

// Address, port, simulator ID ("<none>" when none was given) and auto mode
// as one text.
std::string Parse(TestTerminal& tt, std::string line) {
  HostEndpoint endpoint = DefaultEndpoint();
  ParseCommandLine(tt.t(), line.data(), endpoint);
  char text[INET_ADDRSTRLEN] = {};
  in_addr address{endpoint.address};
  inet_ntop(AF_INET, &address, text, sizeof text);
  const char* id = tt.t().link.simulator_id;
  return std::string(text) + ":" + std::to_string(ntohs(endpoint.port)) + " " +
         (id != nullptr ? id : "<none>") + " " + std::to_string(tt.t().session.auto_mode);
}

TEST(CommandLine, OptionsAndTheirOddValues) {
  const struct {
    const char *line, *parsed;
  } cases[] = {
      {"", "127.0.0.1:4055 <none> 0"},
      // Anything at all, even a blank or text without options, selects 4060.
      {" ", "127.0.0.1:4060 <none> 0"},
      {"hello", "127.0.0.1:4060 <none> 0"},
      {"-H10.1.2.3", "10.1.2.3:4060 <none> 0"},
      {"-P5000", "127.0.0.1:5000 <none> 0"},
      {"-h10.1.2.3 -p5000", "10.1.2.3:5000 <none> 0"},
      {"-l", "127.0.0.1:4060 <none> 1"},
      // The ID loses trailing blanks only and gets a comma.
      {"-ISCAN01 -P5000", "127.0.0.1:5000 SCAN01, 0"},
      {"-P5000 -iscan01   ", "127.0.0.1:5000 scan01, 0"},
      {"-I", "127.0.0.1:4060 , 0"},
      {"-I A B ", "127.0.0.1:4060  A B, 0"},
      {"-Hnot.an.address", "255.255.255.255:4060 <none> 0"},
      // A value ends at the next '-', so a negative port reads as no digits.
      {"-P-5", "127.0.0.1:0 <none> 0"},
      {"-ISCAN-01", "127.0.0.1:4060 SCAN, 0"},
      {"-P 12ab", "127.0.0.1:12 <none> 0"},
      {"-P70000", "127.0.0.1:4464 <none> 0"},
      {"-P99999999999999999999", "127.0.0.1:65535 <none> 0"},
      // The later of two same options wins; unknown letters are skipped.
      {"-P1 -P2", "127.0.0.1:2 <none> 0"},
      {"-X -Z9 -H1.2.3.4 -", "1.2.3.4:4060 <none> 0"},
  };
  for (const auto& c : cases) {
    TestTerminal tt;
    EXPECT_EQ(Parse(tt, c.line), c.parsed) << c.line;
  }
}

TEST(CommandLine, AGivenIdReplacesAnEarlierParse) {
  TestTerminal tt;
  Parse(tt, "-IONE");
  EXPECT_EQ(Parse(tt, "-ITWO"), "127.0.0.1:4060 TWO, 0");
}

}  // namespace
}  // namespace marl::testing
