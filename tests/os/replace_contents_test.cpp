// Replacing a file's contents through a temporary file and a rename, or in place where no file
// can be made beside it: stopped by a size limit or quota, it leaves whole contents, never half.
#include <gtest/gtest.h>

#include <algorithm>

#include "os/file_system.h"
#include "os/in_place_rewrite.h"
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

// A file in memory whose bytes past `limit` can never be written.
struct LimitedFile final : InPlaceFile {
  LimitedFile(std::string b, std::size_t l) : bytes(std::move(b)), limit(l) {}
  bool ReadAll(std::string& out, std::size_t most) override {
    out = bytes;  // the caller uses it only when the whole file fitted
    return bytes.size() <= most;
  }
  bool WriteFromStart(std::string_view in) override {
    const std::size_t fits = std::min(in.size(), limit);
    if (bytes.size() < fits) bytes.resize(fits);
    std::copy_n(in.begin(), fits, bytes.begin());
    return fits == in.size();
  }
  bool Truncate(std::size_t size) override {
    if (size > bytes.size()) return false;
    bytes.resize(size);
    return true;
  }
  bool Flush() override { return true; }
  std::string bytes;
  std::size_t limit;
};

TEST(InPlaceRewrite, WritesStoppedByALimit) {
  const std::string set = CrLf("3|5|2|1|12.5|0.5|330");
  const std::optional<std::string_view> none, hq = "hq\r\n";
  const struct {
    const char* what;
    std::string old, bytes;
    std::size_t limit;
    std::optional<std::string_view> afterFailure;
    bool replaced;
    std::string expected;
  } kCases[] = {
      {"within the limit", set, "1\r\n", 64, none, true, "1\r\n"},
      {"shorter settings over the limit: old kept", set, "1\r\n", 2, none, false, set},
      {"settings over the limit: old kept", set, CrLf("30|50|20|10|125|5|30"), 8, none, false, set},
      {"the way back written whole", "0 0 1 1\r\n", "0 0 100 100\r\n", 10, hq, false, "hq\r\n"},
      {"none fits: longer old file kept", set, CrLf("4|5|2|1|12.5|0.5|330"), 0, none, false, set},
      {"a way back that does not fit empties the file", "x", "0 0 100 100\r\n", 2, hq, false, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    LimitedFile file(c.old, c.limit);
    EXPECT_EQ(RewriteInPlace(file, c.bytes, ReplaceOptions{false, c.afterFailure}), c.replaced);
    EXPECT_EQ(file.bytes, c.expected);
  }
}

}  // namespace
