// Refused host records through the real program: --strict's exit status,
// the trace's line, and the meanings the program gives beside the host
// guide's table of status replies.
#include "link/refusal.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>

#include "harness.h"

namespace marl::testing {
namespace {

// The guide's "Status replies" table and the program's meanings are one.
TEST(Refusals, TheGuidesStatusTableIsTheProgramsMeanings) {
  const std::string guide = ReadFile(HOST_GUIDE);
  const size_t table = guide.find("### Status replies");
  ASSERT_NE(table, std::string::npos);
  std::map<char, std::string> rows;
  const std::regex row(R"(\| `K\\\\(.)` \| ([^|]*) \|)");
  const std::string section = guide.substr(table, guide.find("\n#", table + 1) - table);
  for (std::sregex_iterator i(section.begin(), section.end(), row), end; i != end; ++i) {
    rows[(*i)[1].str()[0]] = (*i)[2].str();
  }
  ASSERT_EQ(rows.erase('0'), 1u);  // success is no refusal
  std::map<char, std::string> program;
  for (const StatusMeaning& m : StatusMeanings()) {
    char word[4];
    program[StatusWord(m.code, word)[3]] = m.meaning;
  }
  EXPECT_EQ(rows, program);
}

struct StrictCase {
  const char* name;
  bool strict;
  const char* before;  // a script command before the host's record, or ""
  std::string record;
  int status;
};

TEST(Refusals, StrictDecidesTheExitStatus) {
  const StrictCase cases[] = {
      {"a form taken", true, "", HostCommand("\\3T\\Qty:\\@    \\"), 0},
      {"a command refused", true, "", HostCommand("\\Z"), 2},
      {"refused, not strict", false, "", HostCommand("\\Z"), 0},
      {"a text record's error", true, "", "DZ/abc\n", 2},
      // A bad screen mode shows a box and answers K\\9.
      {"a box nobody expected", true, "", HostCommand("\\Cxx"), 2},
      {"a box expected", true, "answer ok", HostCommand("\\Cxx"), 0},
      {"a box expected, cancel", true, "answer cancel", HostCommand("\\Cxx"), 0},
      {"an answer expects one box", true, "answer ok", HostCommand("\\Cxx") + HostCommand("\\Cyy"),
       2},
  };
  for (const StrictCase& c : cases) {
    SCOPED_TRACE(c.name);
    Session s(c.strict ? Lines{"--strict"} : Lines{});
    ASSERT_TRUE(s.accepted) << s.sim.Diagnostics();
    if (*c.before != 0) {
      EXPECT_EQ(s.sim.Command(c.before), Lines{"ok"});
    }
    s.Host(c.record);
    s.sim.CloseInput();
    EXPECT_EQ(s.sim.Wait(), c.status) << s.sim.Diagnostics();
    EXPECT_EQ(s.sim.Diagnostics().find("--strict") != std::string::npos, c.status == 2);
  }
}

TEST(Refusals, TheTraceNamesTheRefusalBesideTheRecordsBytes) {
  TempDir trace_dir;
  const std::string trace = trace_dir.path() + "/trace.txt";
  Session s({"--trace", trace});
  ASSERT_TRUE(s.accepted) << s.sim.Diagnostics();
  EXPECT_EQ(s.Host(HostCommand("\\Z")), "K\\\\1");
  s.sim.CloseInput();
  EXPECT_EQ(s.sim.Wait(), 0);
  const std::string text = ReadFile(trace);
  const size_t at = text.find(
      " refused K\\\\1: failed, or a command the terminal does not have; the record's first "
      "bytes: 11 bytes\n  0000  82 80 80 80 80 80 30 30  30 5c 5a ");
  ASSERT_NE(at, std::string::npos) << text;
  // Before the reply that tells the host.
  EXPECT_NE(text.find("send 4 bytes", at), std::string::npos) << text;
}

}  // namespace
}  // namespace marl::testing
