// Replacing a file's contents through a temporary file and a rename.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "os/file_system.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(AtomicFile, CreatesAndReplacesWholeContents) {
  TempDir directory;
  const auto path = directory.Path() / "target.txt";
  for (const std::string& bytes :
       {std::string("first contents, rather long\r\n"), std::string("short"), std::string(),
        std::string(1 << 20, 'x'), std::string("nul\0byte", 8)}) {
    ASSERT_TRUE(ReplaceFileContents(path, bytes));
    EXPECT_EQ(ReadBytes(path), bytes);
    EXPECT_EQ(directory.Entries(), std::set<std::string>{"target.txt"});
  }
}

// A target whose name leaves no room for the usual temporary name still gets a temporary
// file (its name shortened) and a rename: a hard link to the old file keeps the old bytes,
// which a rewrite in place could not leave it.
TEST(AtomicFile, LongNameStillReplacedByRename) {
  TempDir directory;
  const auto path = directory.Path() / LongestUsableName();
  WriteBytes(path, "old contents, longer than the new");
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "this file system has no names that long";
  std::filesystem::create_hard_link(path, directory.Path() / "other name");
  EXPECT_TRUE(ReplaceFileContents(path, "new"));
  EXPECT_EQ(ReadBytes(path), "new");
  EXPECT_EQ(ReadBytes(directory.Path() / "other name"), "old contents, longer than the new");
  EXPECT_EQ(directory.Entries(), (std::set<std::string>{LongestUsableName(), "other name"}));
}

#ifdef AUXLINE_HAS_FILE_SIZE_LIMIT
// Neither a temporary file nor the target can take the new bytes: the target keeps its
// old ones and no temporary file is left beside it.
TEST(AtomicFile, FailureKeepsTheOldFile) {
  TempDir directory;
  const auto path = directory.Path() / "target.txt";
  WriteBytes(path, "old");
  {
    const FileSizeLimit limit(3);
    EXPECT_FALSE(ReplaceFileContents(path, "new and longer"));
  }
  EXPECT_EQ(ReadBytes(path), "old");
  EXPECT_EQ(directory.Entries(), std::set<std::string>{"target.txt"});
}
#endif

TEST(AtomicFile, FailureWithoutAnOldFileCreatesNothing) {
  TempDir directory;
  EXPECT_FALSE(ReplaceFileContents(directory.Path() / "no" / "such" / "dir.txt", "x"));
  EXPECT_FALSE(ReplaceFileContents(directory.Path() / std::string(300, 'j'), "x"));
  EXPECT_TRUE(directory.Entries().empty());
}

}  // namespace
