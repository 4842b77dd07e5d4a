// The packet capture read back by tshark: made-up TCP streams that its
// analysis finds clean whatever the traffic's shape, and random bytes on
// the protocol's port that the dissector reads without a Lua error.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "link/capture.h"
#include "temp_dir.h"
#include "tshark.h"

namespace marl {
namespace {

uint32_t Address(const char* dotted) {
  in_addr a{};
  inet_pton(AF_INET, dotted, &a);
  return a.s_addr;
}

// What goes on in one made-up connection.
enum class Step { kHostSends, kTerminalSends, kHostCloses, kTerminalCloses };
struct Shape {
  const char* name;
  std::vector<std::pair<Step, size_t>> steps;  // a step and its byte count
};

TEST(PacketCapture, StreamsOfEveryShapeAreCleanToTcpAnalysis) {
  if (!testing::HaveTshark()) GTEST_SKIP() << "tshark is not installed";
  const Shape shapes[] = {
      {"turns", {{Step::kTerminalSends, 30}, {Step::kHostSends, 300}, {Step::kTerminalSends, 20}}},
      // Far more than a window one way, with nothing coming back.
      {"burst", {{Step::kHostSends, 4000}, {Step::kHostSends, 300000}}},
      {"burst back", {{Step::kTerminalSends, 1024}, {Step::kTerminalSends, 200000}}},
      {"host closes first", {{Step::kTerminalSends, 30}, {Step::kHostCloses, 0}}},
      {"empty", {}},
  };
  for (const Shape& shape : shapes) {
    testing::TempDir dir;
    const std::string file = dir.File("c.pcapng");
    size_t sent = 0;
    {
      PacketCapture capture;
      std::string error;
      ASSERT_TRUE(capture.Open(file, &error)) << error;
      // Two connections at once in one file, as the load driver makes.
      CaptureStream a, b;
      capture.Begin(a, Address("127.1.0.1"), htons(40001), Address("127.0.0.1"), htons(4055));
      capture.Begin(b, Address("127.1.0.2"), htons(40002), Address("127.0.0.1"), htons(4055));
      for (const auto& [step, count] : shape.steps) {
        const std::string bytes(count, 'x');
        for (CaptureStream* s : {&a, &b}) {
          if (step == Step::kHostSends) capture.Data(*s, kHostEnd, bytes.data(), count);
          if (step == Step::kTerminalSends) capture.Data(*s, kTerminalEnd, bytes.data(), count);
          if (step == Step::kHostCloses) capture.PeerClosed(*s);
        }
        sent += 2 * count;
      }
      capture.Closed(a);
      capture.Closed(b);
    }
    // -o keeps the dissector out of it: this is about the TCP headers.
    EXPECT_EQ(testing::Tshark(file, "--disable-protocol marlpoint -Y tcp.analysis.flags"), "")
        << shape.name;
    std::istringstream lengths(testing::Tshark(file, "-T fields -e tcp.len"));
    size_t total = 0;
    for (std::string line; std::getline(lengths, line);) total += std::stoul(line);
    EXPECT_EQ(total, sent) << shape.name;
    // Each end of each stream closes once.
    std::istringstream fins(testing::Tshark(file, "-Y tcp.flags.fin==1 -T fields -e tcp.stream"));
    std::vector<std::string> streams;
    for (std::string line; std::getline(fins, line);) streams.push_back(line);
    std::sort(streams.begin(), streams.end());
    EXPECT_EQ(streams, (std::vector<std::string>{"0", "0", "1", "1"})) << shape.name;
  }
}

// Segments of one connection on the registered port, and what tshark's
// Info column says of the frames that carry the protocol.
struct Segments {
  const char* name;
  std::vector<std::pair<CaptureEnd, std::string>> segments;
  std::string info;
};

TEST(PacketCapture, DissectorReadsRecordsWhereverTheSegmentsCutThem) {
  if (!testing::HaveTshark()) GTEST_SKIP() << "tshark is not installed";
  const std::string header(
      "\x82\x80\x80\x80\x80\x80"
      "000",
      9);
  const std::string long_reply =
      "K\\1\\0\\K" + std::string(1500, 'a') + std::string("\\\\w\0F=00\0", 9);
  const Segments rows[] = {
      {"a line feed after a caret is the record's own",
       {{kHostEnd, header + "\\1T\\A^\nB:\\@  \\\n"}},
       "Host: command \\1T store_and_show, 1 fields\n"},
      {"a record cut in three",
       {{kHostEnd, header.substr(0, 4)}, {kHostEnd, header.substr(4) + "\\Q"}, {kHostEnd, "\n"}},
       "Host: command \\Q unsupported_q\n"},
      {"one record and the start of the next",
       {{kHostEnd, header + "\\Q\n" + header + "\\R"}, {kHostEnd, "\n"}},
       "Host: command \\Q unsupported_q\nHost: command \\R unsupported_r\n"},
      {"a beep record has no header", {{kHostEnd, std::string("\x81\x03\n", 3)}}, "Host: beep 3\n"},
      {"more than a terminal holds without a line feed",
       {{kHostEnd, header + std::string(4100, 'x')}},
       "Host: over-long record\n"},
      {"a reply longer than one send",
       {{kTerminalEnd, long_reply.substr(0, 1024)}, {kTerminalEnd, long_reply.substr(1024)}},
       "Terminal: form reply 1 [0]K=" + std::string(1500, 'a') + ", w (Enter), cursor on 0\n"},
      {"statuses back to back",
       {{kTerminalEnd, "K\\\\0K\\\\6K\\\\?"}},
       "Terminal: status 0 success; status 6 no_such_field; status ? unknown\n"},
      {"a terminal message nobody sends",
       {{kTerminalEnd, "xyz"}},
       "Terminal: malformed: not a message a terminal sends\n"},
  };
  for (const Segments& row : rows) {
    testing::TempDir dir;
    const std::string file = dir.File("c.pcapng");
    {
      PacketCapture capture;
      std::string error;
      ASSERT_TRUE(capture.Open(file, &error)) << error;
      CaptureStream s;
      capture.Begin(s, Address("127.1.0.1"), htons(40001), Address("127.0.0.1"), htons(4055));
      for (const auto& [from, bytes] : row.segments) {
        capture.Data(s, from, bytes.data(), bytes.size());
      }
      capture.Closed(s);
    }
    EXPECT_EQ(testing::Tshark(file, "-Y marlpoint -T fields -e _ws.col.Info"), row.info)
        << row.name;
  }
}

// Bytes that look enough like the protocol to lead the dissector deep.
std::string Noise(std::minstd_rand& random, bool from_host) {
  static const char* const kHostStarts[] = {"\x82\x80\xA0\x80\x80\x80",
                                            "\x81",
                                            "\x86 ",
                                            "\xFF",
                                            "D/",
                                            "WB",
                                            "WD/",
                                            "SD",
                                            "G",
                                            "\x82\x80\x80",
                                            "\x82\x80\x80\x80\x80\x80"
                                            "000\\1T\\"};
  static const char* const kTerminalStarts[] = {
      "K\\", "K\\\\", "K\\1\\0\\K", "S", "P,Rows=", "NG,", "IR", "IS,", "ID,P,Rows=1,Cols="};
  static const char kSpice[] = "\\\n^|@0123456789,=FKS\x01";
  std::string out;
  const size_t pieces = 1 + random() % 4;
  for (size_t p = 0; p < pieces; ++p) {
    out += from_host ? kHostStarts[random() % std::size(kHostStarts)]
                     : kTerminalStarts[random() % std::size(kTerminalStarts)];
    const size_t length = random() % 60;
    for (size_t i = 0; i < length; ++i) {
      const uint32_t r = random();
      if (r % 3 == 0) {
        out += kSpice[r % (sizeof kSpice - 1)];
      } else if (r % 7 == 0) {
        out += std::string("\0F=", 3) + std::to_string(r % 100) + '\0';
      } else {
        out += char(r >> 8);
      }
    }
  }
  return out;
}

TEST(PacketCapture, RandomBytesOnTheProtocolsPortsRaiseNoLuaError) {
  if (!testing::HaveTshark()) GTEST_SKIP() << "tshark is not installed";
  // The registered port, and another one that the power-up's heuristic
  // must recognise first.
  for (const uint16_t port : {uint16_t(4055), uint16_t(5123)}) {
    testing::TempDir dir;
    const std::string file = dir.File("fuzz.pcapng");
    {
      PacketCapture capture;
      std::string error;
      ASSERT_TRUE(capture.Open(file, &error)) << error;
      std::minstd_rand random(port);
      for (int connection = 0; connection < 40; ++connection) {
        CaptureStream s;
        capture.Begin(s, Address("127.1.0.1"), htons(uint16_t(30000 + connection)),
                      Address("127.0.0.1"), htons(port));
        const std::string power_up("P,Rows=16,Cols=20\0IP=127.1.0.1", 30);
        capture.Data(s, kTerminalEnd, power_up.data(), power_up.size());
        for (int turn = 0; turn < 30; ++turn) {
          const bool host = random() % 2 == 0;
          std::string bytes = Noise(random, host);
          // Wholly random bytes too, of every value.
          if (random() % 5 == 0) {
            for (char& c : bytes) c = char(random());
          }
          capture.Data(s, host ? kHostEnd : kTerminalEnd, bytes.data(), bytes.size());
        }
        capture.Closed(s);
      }
    }
    const std::string out = testing::Tshark(file, "-V");
    EXPECT_EQ(out.find("Lua Error"), std::string::npos) << port;
    EXPECT_EQ(out.find("Lua error"), std::string::npos) << port;
    // The dissector's own guard against the unforeseen never had to act.
    EXPECT_EQ(out.find("could not be read"), std::string::npos) << port;
    EXPECT_NE(out.find("Marlpoint terminal protocol"), std::string::npos) << port;
  }
}

}  // namespace
}  // namespace marl
