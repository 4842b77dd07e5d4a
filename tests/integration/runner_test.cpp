// marlsim --test against the demo host in its own process: cases that pass
// and one that fails on purpose, the JUnit file and the artifacts it
// leaves, and the bad input refused before any case runs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "harness.h"

namespace marl::testing {
namespace {

constexpr const char* kSignIn =
    "wait text \"User:\"\nexpect cursor 4 6\nexpect field \"User:\" \"\"\n";
constexpr const char* kBroken =
    "wait text \"User:\"\ntype \"ann\"\nexpect field \"User:\" \"bob\"\n";

bool Exists(const std::string& path) {
  struct stat s {};
  return stat(path.c_str(), &s) == 0;
}

TEST(Runner, OneLineACaseTheCountLastAndTheFailureInJUnit) {
  TempDir dir;
  mkdir(dir.File("cases").c_str(), 0777);
  dir.Write("cases/a_sign_in.txt", kSignIn);
  dir.Write("cases/b_broken.txt", kBroken);
  dir.Write("cases/c_again.txt", kSignIn);
  Marlsim sim({"--demo", "--size", "20x16", "--test", "cases", "--jobs", "2", "--junit", "out.xml",
               "--artifacts", "art"},
              dir.path());
  EXPECT_EQ(sim.Wait(30000), 2);
  const std::string out = sim.RemainingOutput(1000);
  EXPECT_NE(out.find("pass  a_sign_in  "), std::string::npos) << out;
  EXPECT_NE(out.find("pass  c_again  "), std::string::npos) << out;
  EXPECT_NE(out.find("FAIL  b_broken  "), std::string::npos) << out;
  // The failure's report stands in the log: the screen, the field, the line.
  EXPECT_NE(out.find("  4 |User: ann"), std::string::npos) << out;
  EXPECT_NE(out.find("error: cases/b_broken.txt:3: expect field \"User:\": it holds \"ann\", "
                     "not \"bob\"\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.substr(out.rfind('\n', out.size() - 2) + 1), "2 passed, 1 failed\n");

  const std::string xml = dir.Read("out.xml");
  EXPECT_NE(xml.find("tests=\"3\" failures=\"1\""), std::string::npos) << xml;
  EXPECT_NE(xml.find("<failure message=\"cases/b_broken.txt:3: expect field"), std::string::npos)
      << xml;
  EXPECT_NE(xml.find("  4 |User: ann"), std::string::npos) << xml;
  // And it is XML a CI server reads: parsed by Python's reader, one
  // failure in it, the screen in the failure.
  const std::string check =
      "python3 -c 'import sys, xml.etree.ElementTree as E\n"
      "r = E.parse(sys.argv[1]).getroot()\n"
      "f = r.findall(\".//failure\")\n"
      "sys.exit(0 if len(r.findall(\".//testcase\")) == 3 and len(f) == 1 and "
      "\"|User: ann\" in f[0].text else 1)' " +
      dir.File("out.xml");
  if (std::system("python3 -c '' 2>/dev/null") == 0) {
    EXPECT_EQ(std::system(check.c_str()), 0);
  }

  // Only the failed case keeps its files.
  for (const char* file : {"screen.txt", "attributes.txt", "events.txt", "trace.txt"}) {
    EXPECT_TRUE(Exists(dir.File(std::string("art/b_broken/") + file))) << file;
  }
  EXPECT_TRUE(Exists(dir.File("art/b_broken/snapshot.png")) ||
              Exists(dir.File("art/b_broken/snapshot.txt")));
  EXPECT_FALSE(Exists(dir.File("art/a_sign_in")));
}

// No --size and no settings file: nobody is there to answer the setup
// window, so the cases start at the size it proposes, as load terminals do.
TEST(Runner, WithoutASizeTheCasesStartAtTheProposedOne) {
  TempDir dir;
  dir.Write("sign_in.txt", kSignIn);
  Marlsim sim({"--demo", "--test", "sign_in.txt"}, dir.path());
  EXPECT_EQ(sim.Wait(30000), 0) << sim.RemainingOutput(1000);
}

// Each refused before any case runs: nothing is printed on standard output.
TEST(Runner, BadInputIsRefusedBeforeAnyCaseRuns) {
  TempDir dir;
  dir.Write("good.txt", kSignIn);
  dir.Write("bad.txt", "wait text \"User:\"\nkey Nowhere\n");
  dir.Write("golden.txt", "expect screen missing.golden\n");
  dir.Write("a_file", "");
  const struct {
    Lines args;
    const char* says;
  } cases[] = {
      {{"--test", "good.txt", "--test", "bad.txt"}, "bad.txt:2: unknown key \"Nowhere\""},
      {{"--test", "golden.txt"}, "golden.txt:1: no golden screen"},
      {{"--test", "nowhere"}, "nowhere"},
      {{"--test", "good.txt", "--junit", "no/such/dir/out.xml"}, "cannot write no/such/dir"},
      {{"--test", "good.txt", "--artifacts", "a_file"}, "a_file"},
      {{"--test", "good.txt", "--jobs", "0"}, "--jobs needs a whole number"},
      {{"--jobs", "2"}, "go with --test"},
      {{"--test", "good.txt", "--script", "good.txt"}, "do not go with it"},
  };
  for (const auto& c : cases) {
    Lines args = {"--demo", "--size", "20x16"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Marlsim sim(args, dir.path());
    EXPECT_EQ(sim.Wait(), 1) << c.says;
    EXPECT_EQ(sim.RemainingOutput(100), "") << c.says;
    EXPECT_NE(sim.Diagnostics().find(c.says), std::string::npos) << sim.Diagnostics();
  }
}

}  // namespace
}  // namespace marl::testing
