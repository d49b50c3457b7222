// Writing the exchange file: exact bytes, and no file at all after a failed write.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "exchange/writing/command_writer.h"
#include "exchange/state/exchange_state.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

namespace {

struct FileCase {
  const char* name;
  std::vector<std::string> lines;
  std::string bytes;
};

TEST(WriterFile, ExactBytes) {
  const std::vector<FileCase> cases = {
      {"nothing queued", {}, "hq\r\n"},
      {"one line", {"lg0"}, "lg0\r\n"},
      {"a run",
       {"lg3", "ly5", "lc9", "lt1", "lw0", "0 0 100 0", "lg0", "ly0"},
       "lg3\r\nly5\r\nlc9\r\nlt1\r\nlw0\r\n0 0 100 0\r\nlg0\r\nly0\r\n"},
      // Bytes go out as they are: no character-set conversion, no line-end translation.
      {"raw bytes", {"\x82\xa0\x83\x4e", "a\tb", ""}, "\x82\xa0\x83\x4e\r\na\tb\r\n\r\n"},
  };
  for (const FileCase& c : cases) {
    TempDir directory;
    const auto path = directory.Path() / "JWC_TEMP.TXT";
    WriteBytes(path, "hp1 0 0\nhp2 10 10\nmore than the new contents\n");
    InitExchangeState();
    for (const std::string& line : c.lines) QueueCommand(line);
    EXPECT_TRUE(WriteExchangeFile(path)) << c.name;
    EXPECT_EQ(ReadBytes(path), c.bytes) << c.name;
    EXPECT_EQ(directory.Entries(), std::set<std::string>{"JWC_TEMP.TXT"}) << c.name;
    EXPECT_EQ(Exchange().CommandQueue.size(), c.lines.size()) << "writing keeps the queue";
  }
}

// Failures: nothing is left where the host looks, and no temporary file either.
TEST(WriterFile, ParentMissingOrARegularFile) {
  for (const char* parent : {"absent", "plain"}) {
    SCOPED_TRACE(parent);
    TempDir directory;
    WriteBytes(directory / "plain", "x");
    InitExchangeState();
    QueueCommand("lg0");
    EXPECT_FALSE(WriteExchangeFile(directory / parent / "JWC_TEMP.TXT"));
    EXPECT_EQ(directory.Entries(), std::set<std::string>{"plain"});
  }
}

#ifdef AUXLINE_HAS_FILE_SIZE_LIMIT
// The old file is the host's own input; left behind it would be taken for commands. A file
// that the failed write left holding "nothing to draw" stays.
TEST(WriterFile, FailedWriteRemovesTheOldExchangeFile) {
  const struct {
    const char* what;
    std::size_t limit;
    std::optional<std::string> left;
  } kCases[] = {{"no room for \"hq\"", 3, std::nullopt}, {"room for \"hq\"", 4, "hq\r\n"}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir directory;
    const auto path = directory.Path() / "JWC_TEMP.TXT";
    WriteBytes(path, "hp1 0 0\r\n");
    InitExchangeState();
    QueueCommand("lg0");
    QueueCommand("0 0 100 0");
    {
      const FileSizeLimit limit(c.limit);
      EXPECT_FALSE(WriteExchangeFile(path));
    }
    EXPECT_EQ(ReadBytes(path), c.left);
  }
}
#endif

// A directory in the file's place is not the tool's to delete.
TEST(WriterFile, DirectoryInThePlaceOfTheFileIsKept) {
  TempDir directory;
  const auto path = directory.Path() / "JWC_TEMP.TXT";
  std::filesystem::create_directories(path / "inside");
  InitExchangeState();
  EXPECT_FALSE(WriteExchangeFile(path));
  EXPECT_TRUE(std::filesystem::is_directory(path / "inside"));
  EXPECT_EQ(directory.Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
}

TEST(WriterFile, ReadOnlyDirectory) {
  TempDir directory;
  namespace fs = std::filesystem;
  fs::permissions(directory.Path(), fs::perms::owner_read | fs::perms::owner_exec,
                  fs::perm_options::replace);
  // Some users (root) write into read-only directories all the same.
  WriteBytes(directory / "probe", "x");
  if (fs::exists(directory / "probe")) GTEST_SKIP() << "this user writes into read-only folders";
  InitExchangeState();
  QueueCommand("lg0");
  EXPECT_FALSE(WriteExchangeFile(directory.Path() / "JWC_TEMP.TXT"));
  EXPECT_TRUE(directory.Entries().empty());
}

}  // namespace
