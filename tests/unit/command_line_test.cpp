#include "link/command_line.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <string>

#include "terminal_fixture.h"

namespace marl::testing {
namespace {

struct Parsed {
  std::string address;
  int port = 0;
  std::string id;  // "<none>" when no ID was given
  int auto_mode = 0;
};

Parsed Parse(std::string line) {
  TestTerminal tt;
  HostEndpoint endpoint = DefaultEndpoint();
  ParseCommandLine(tt.t(), line.data(), endpoint);
  Parsed p;
  char text[INET_ADDRSTRLEN] = {};
  in_addr address{endpoint.address};
  inet_ntop(AF_INET, &address, text, sizeof text);
  p.address = text;
  p.port = ntohs(endpoint.port);
  p.id = tt.t().link.simulator_id != nullptr ? tt.t().link.simulator_id : "<none>";
  p.auto_mode = tt.t().keys.auto_mode;
  return p;
}

TEST(CommandLine, PortDependsOnWhetherTheLineIsEmpty) {
  EXPECT_EQ(Parse("").port, 4055);
  EXPECT_EQ(Parse("").address, "127.0.0.1");
  // Anything at all, even a blank or text without options, selects 4060.
  EXPECT_EQ(Parse(" ").port, 4060);
  EXPECT_EQ(Parse("hello").port, 4060);
  const Parsed host_only = Parse("-H10.1.2.3");
  EXPECT_EQ(host_only.address, "10.1.2.3");
  EXPECT_EQ(host_only.port, 4060);
  const Parsed port_only = Parse("-P5000");
  EXPECT_EQ(port_only.address, "127.0.0.1");
  EXPECT_EQ(port_only.port, 5000);
}

TEST(CommandLine, OptionLettersInEitherCase) {
  const Parsed lower = Parse("-h10.1.2.3 -p5000");
  EXPECT_EQ(lower.address, "10.1.2.3");
  EXPECT_EQ(lower.port, 5000);
  const Parsed upper = Parse("-H10.1.2.3 -P5000");
  EXPECT_EQ(upper.address, lower.address);
  EXPECT_EQ(upper.port, lower.port);
  EXPECT_EQ(Parse("-l").auto_mode, 1);
  EXPECT_EQ(Parse("-P1").auto_mode, 0);
}

TEST(CommandLine, SimulatorIdLosesTrailingBlanksAndGetsAComma) {
  EXPECT_EQ(Parse("-ISCAN01 -P5000").id, "SCAN01,");
  EXPECT_EQ(Parse("-P5000 -iscan01   ").id, "scan01,");
  EXPECT_EQ(Parse("-I").id, ",");
  EXPECT_EQ(Parse("-P5000").id, "<none>");
  // Only trailing spaces go; a leading one stays part of the value.
  EXPECT_EQ(Parse("-I A B ").id, " A B,");
}

TEST(CommandLine, OddValues) {
  EXPECT_EQ(Parse("-Hnot.an.address").address, "255.255.255.255");
  // A value ends at the next '-', so a negative port reads as no digits.
  EXPECT_EQ(Parse("-P-5").port, 0);
  EXPECT_EQ(Parse("-P 12ab").port, 12);
  EXPECT_EQ(Parse("-P70000").port, 70000 & 0xFFFF);
  EXPECT_EQ(Parse("-P99999999999999999999").port, 0x7FFFFFFF & 0xFFFF);
  // The later of two same options wins; unknown letters are skipped.
  EXPECT_EQ(Parse("-P1 -P2").port, 2);
  const Parsed unknown = Parse("-X -Z9 -H1.2.3.4 -");
  EXPECT_EQ(unknown.address, "1.2.3.4");
  EXPECT_EQ(unknown.port, 4060);
  EXPECT_EQ(Parse("-ISCAN-01").id, "SCAN,");
}

TEST(CommandLine, AGivenIdReplacesAnEarlierParse) {
  TestTerminal tt;
  HostEndpoint endpoint = DefaultEndpoint();
  std::string first = "-IONE";
  std::string second = "-ITWO";
  ParseCommandLine(tt.t(), first.data(), endpoint);
  ParseCommandLine(tt.t(), second.data(), endpoint);
  EXPECT_STREQ(tt.t().link.simulator_id, "TWO,");
}

}  // namespace
}  // namespace marl::testing
