// Reading and writing the test toolkit's files: a missing file told apart,
// a folder refused, a write that fails leaving the old file whole.
#include "ui/testkit/text_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "temp_dir.h"

namespace marl {
namespace {

TEST(TextFile, ReadsWritesAndSaysWhyNot) {
  testing::TempDir dir;
  dir.Write("old.txt", "old");
  std::string content;
  std::string error;
  EXPECT_EQ(ReadTextFile(dir.File("none.txt"), &content, &error), ReadResult::kMissing);
  EXPECT_EQ(ReadTextFile(dir.path(), &content, &error), ReadResult::kFailed);
  EXPECT_EQ(error, "cannot read " + dir.path() + ": Is a directory");
  ASSERT_TRUE(WriteTextFile(dir.File("old.txt"), "new\n", &error)) << error;
  EXPECT_EQ(ReadTextFile(dir.File("old.txt"), &content, &error), ReadResult::kRead);
  EXPECT_EQ(content, "new\n");

  const std::string missing_folder = dir.File("no/such/file.xml");
  EXPECT_FALSE(CheckWritable(missing_folder, &error));
  EXPECT_EQ(error, "cannot write " + missing_folder + ": No such file or directory");
  EXPECT_FALSE(WriteTextFile(missing_folder, "x", &error));
  EXPECT_FALSE(CheckWritable(dir.path(), &error));
  EXPECT_TRUE(CheckWritable(dir.File("report.xml"), &error)) << error;
  EXPECT_EQ(testing::ReadFile(dir.File("report.xml")), "<missing>");
}

}  // namespace
}  // namespace marl
