// Replacing a file's contents through a temporary file and a rename.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "os/file_system.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(AtomicFile, CreatesAndReplacesWholeContents) {
  TempDir dir;
  for (const std::string& bytes :
       {std::string("first contents, rather long\r\n"), std::string("short"), std::string(),
        std::string(1 << 20, 'x'), std::string("nul\0byte", 8)}) {
    ASSERT_TRUE(ReplaceFileContents(dir / "target.txt", bytes));
    EXPECT_EQ(ReadBytes(dir / "target.txt"), bytes);
    EXPECT_EQ(dir.Entries(), std::set<std::string>{"target.txt"});
  }
}

// A name too long for the usual temporary still gets a rename: a hard link keeps the old bytes.
TEST(AtomicFile, LongNameStillReplacedByRename) {
  TempDir dir;
  const auto path = dir / LongestUsableName();
  WriteBytes(path, "old contents, longer than the new");
  if (!std::filesystem::exists(path)) GTEST_SKIP() << "this file system has no names that long";
  std::filesystem::create_hard_link(path, dir / "other name");
  EXPECT_TRUE(ReplaceFileContents(path, "new"));
  EXPECT_EQ(ReadBytes(path), "new");
  EXPECT_EQ(ReadBytes(dir / "other name"), "old contents, longer than the new");
  EXPECT_EQ(dir.Entries(), (std::set<std::string>{LongestUsableName(), "other name"}));
}

// A failed replace keeps the old file and leaves nothing beside it, nor a new file.
TEST(AtomicFile, FailureKeepsTheOldFileAndCreatesNothing) {
  TempDir dir;
  EXPECT_FALSE(ReplaceFileContents(dir / "no" / "such" / "dir.txt", "x"));
  EXPECT_FALSE(ReplaceFileContents(dir / std::string(300, 'j'), "x"));
  EXPECT_TRUE(dir.Entries().empty());
#ifdef AUXLINE_HAS_FILE_SIZE_LIMIT
  WriteBytes(dir / "target.txt", "old");
  {
    const FileSizeLimit limit(3);
    EXPECT_FALSE(ReplaceFileContents(dir / "target.txt", "new and longer"));
  }
  EXPECT_EQ(ReadBytes(dir / "target.txt"), "old");
  EXPECT_EQ(dir.Entries(), std::set<std::string>{"target.txt"});
#endif
}

}  // namespace
