// Replacing a file's contents through a temporary file and a rename.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "exchange/atomic_file.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(AtomicFile, CreatesAndReplacesWholeContents) {
  TempDir directory;
  const auto path = directory.Path() / "target.txt";
  for (const std::string& bytes : {std::string("first contents, rather long\r\n"),
                                  std::string("short"), std::string(), std::string(1 << 20, 'x'),
                                  std::string("nul\0byte", 8)}) {
    ASSERT_TRUE(ReplaceFileContents(path, bytes));
    EXPECT_EQ(ReadBytes(path), bytes);
    EXPECT_EQ(directory.Entries(), std::set<std::string>{"target.txt"});
  }
}

// A failure leaves the old contents in place and no temporary file beside them.
TEST(AtomicFile, FailureKeepsTheOldFile) {
  TempDir directory;
  const auto path = directory.Path() / LongestUsableName();
  WriteBytes(path, "old");
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "this file system has no names that long";
  EXPECT_FALSE(ReplaceFileContents(path, "new"));
  EXPECT_EQ(ReadBytes(path), "old");
  EXPECT_EQ(directory.Entries(), std::set<std::string>{LongestUsableName()});
}

TEST(AtomicFile, FailureWithoutAnOldFileCreatesNothing) {
  TempDir directory;
  EXPECT_FALSE(ReplaceFileContents(directory.Path() / "no" / "such" / "dir.txt", "x"));
  EXPECT_FALSE(ReplaceFileContents(directory.Path() / LongestUsableName(), "x"));
  EXPECT_TRUE(directory.Entries().empty());
}

}  // namespace
