// Replacing a file's contents through a temporary file beside it (named to fit the name limit,
// told apart, removed only once clearly abandoned) and a rename, or in place where no file can be
// made beside it: stopped by a size limit or quota, it leaves whole contents, never half.
#include <gtest/gtest.h>

#include <algorithm>

#include "os/file_system.h"
#include "os/in_place_rewrite.h"
#include "os/temporary_files.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(ReplaceContents, CreatesAndReplacesWholeContents) {
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
TEST(ReplaceContents, LongNameStillReplacedByRename) {
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
TEST(ReplaceContents, FailureKeepsTheOldFileAndCreatesNothing) {
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
  static FileResult Done(bool ok, const char* step) { return ok ? FileResult{} : FailedAt(step); }
  FileResult ReadAll(std::string& out, std::size_t most) override {
    out = bytes;  // the caller uses it only when the whole file fitted
    return Done(bytes.size() <= most, "read");
  }
  FileResult WriteFromStart(std::string_view in) override {
    const std::size_t fits = std::min(in.size(), limit);
    bytes.replace(0, fits, in.substr(0, fits));
    return Done(fits == in.size(), "write");
  }
  FileResult Truncate(std::size_t size) override {
    if (size > bytes.size()) return FailedAt("truncate");
    bytes.resize(size);
    return {};
  }
  FileResult Flush() override { return {}; }
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
    EXPECT_EQ(RewriteInPlace(file, c.bytes, ReplaceOptions{false, c.afterFailure}).Ok(),
              c.replaced);
    EXPECT_EQ(file.bytes, c.expected);
  }
}

using temporary_files::IsAbandoned, temporary_files::Temporary;
using temporary_files::Name, temporary_files::NameFor, temporary_files::Parse;
using Unit = Name::value_type;

// One character of several units: three bytes in UTF-8, a surrogate pair in UTF-16.
const Name kWide =
    sizeof(Unit) == 1 ? Name{Unit(0xE3), Unit(0x81), Unit(0x82)} : Name{Unit(0xD83D), Unit(0xDE00)};

TEST(TemporaryNames, FitTheLimitAndAreRecognised) {
  const Name longName = Name(240, 'j') + Name(4, 'T');
  const struct {
    const char* what;
    Name target;
    std::size_t longest;
  } kCases[] = {
      {"short name", Name(11, 'a'), 255},
      {"long name", longName, 255},
      {"small limit", longName, 143},
      // The cut falls after 217 units, inside the wide character: it must not split it.
      {"wide character", Name(216, 'k') + kWide + Name(30, 'd'), 255},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    const Name name = NameFor(c.target, 4194303, 0xFEDCBA9876543210u, c.longest);
    EXPECT_LE(name.size(), c.longest);
    const auto parsed = Parse(name, c.target);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->CreatorProcessId, 4194303u);
    const std::size_t mark = name.find(static_cast<Unit>('~'));
    const std::size_t wide = c.target.find(kWide);  // the cut never splits it
    EXPECT_FALSE(mark != Name::npos && wide != Name::npos && mark > wide &&
                 mark < wide + kWide.size());
  }
}

// Long names with the same start: each run's cleanup takes only its own target's files.
TEST(TemporaryNames, ShortenedNamesOfTwoTargetsStayApart) {
  const Name first = Name(250, 'j') + Name(4, 'T');
  const Name name = NameFor(first, 7, 1, 255);
  EXPECT_NE(name, NameFor(first, 7, 2, 255));
  EXPECT_TRUE(Parse(name, first));
  EXPECT_FALSE(Parse(name, Name(250, 'j') + Name(4, 'd')));
  EXPECT_FALSE(Parse(name, first.substr(0, 100)));
}

// Never removed while its creator, here or on another machine sharing the folder, may write it.
TEST(TemporaryNames, AbandonedOnlyWhenClearly) {
  using std::chrono::seconds;
  const std::optional<std::uint64_t> none;
  const struct {
    const char* what;
    std::optional<std::uint64_t> creator;
    seconds age;
    bool running, abandoned;
  } kCases[] = {
      {"creator gone, a few seconds old", 17, seconds(10), false, true},
      {"creator gone, just written (maybe on another machine)", 17, seconds(1), false, false},
      {"creator gone, exactly the grace", 17, seconds(5), false, false},
      {"creator still running", 17, seconds(60), true, false},
      {"creator still running, older than ten minutes", 17, seconds(601), true, true},
      {"no creator in the name, a minute old", none, seconds(60), false, false},
      {"no creator in the name, exactly ten minutes", none, seconds(600), false, false},
      {"no creator in the name, older than ten minutes", none, seconds(700), false, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(IsAbandoned(Temporary{c.creator}, c.age, c.running), c.abandoned);
  }
}

}  // namespace
