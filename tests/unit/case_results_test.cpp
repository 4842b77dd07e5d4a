// A run's cases: which files a folder gives, the lines a person reads, and
// the JUnit suite.
#include "ui/testkit/case_results.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace marl {
namespace {

TEST(CaseResults, CollectsFilesAndFoldersInOrder) {
  testing::TempDir dir;
  std::filesystem::create_directories(dir.File("suite/sub"));
  for (const char* name : {"suite/b.txt", "suite/a.txt", "suite/a.golden", "suite/.hidden",
                           "suite/c.txt~", "suite/sub/d.txt", "one.txt", "empty/.keep"}) {
    std::filesystem::create_directories(std::filesystem::path(dir.File(name)).parent_path());
    dir.Write(name, "quit\n");
  }
  struct Case {
    const char* name;
    std::vector<std::string> paths;
    std::vector<std::string> scripts;
    std::string error;
  };
  const std::string d = dir.path() + "/";
  const Case cases[] = {
      {"a file and a folder, as given",
       {d + "one.txt", d + "suite"},
       {d + "one.txt", d + "suite/a.txt", d + "suite/b.txt"},
       ""},
      {"a folder with a slash", {d + "suite/"}, {d + "suite/a.txt", d + "suite/b.txt"}, ""},
      {"no such path", {d + "none"}, {}, "cannot read " + d + "none: No such file or directory"},
      {"a folder of no scripts", {d + "empty"}, {}, "no scripts in " + d + "empty"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> scripts;
    std::string error;
    EXPECT_EQ(CollectScripts(c.paths, &scripts, &error), c.error.empty()) << c.name;
    EXPECT_EQ(error, c.error) << c.name;
    EXPECT_EQ(scripts, c.scripts) << c.name;
  }
}

TEST(CaseResults, LinesNamesAndTheSuite) {
  const std::vector<CaseResult> results = {
      {"tests/login.txt", true, 512, "", ""},
      {"menu", false, 5003, "menu:3: expect text \"Go\":\nnot shown", "screen...\n"},
      {"tests/.v1.2.txt", false, 0, "", ""},
  };
  EXPECT_EQ(CaseLine(results[0]), "pass  login  512ms");
  EXPECT_EQ(CaseLine(results[1]), "FAIL  menu  5.003s  menu:3: expect text \"Go\":\\x0anot shown");
  EXPECT_EQ(CaseLine(results[2]), "FAIL  .v1.2  0ms");
  EXPECT_EQ(SummaryLine(results), "1 passed, 2 failed");
  EXPECT_EQ(SummaryLine({}), "0 passed, 0 failed");
  const JUnitSuite suite = SuiteOf("marlsim", results, 6000);
  ASSERT_EQ(suite.cases.size(), 3u);
  EXPECT_EQ(suite.cases[0].class_name, "tests");
  EXPECT_EQ(suite.cases[1].class_name, ".");
  EXPECT_TRUE(suite.cases[1].failed);
  EXPECT_EQ(suite.cases[1].details, "screen...\n");
}

}  // namespace
}  // namespace marl
