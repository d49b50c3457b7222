// Two real members of a group folder (2775): one plants links to the other's files at the
// tool's file names, and leaves stale files named like its temporaries; the other's runs
// follow, replace and remove none of them. Run by tests/support/as_users.sh, which makes the
// users; skipped elsewhere.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "os/file_system.h"
#include "tests/support/faked_status.h"
#include "tests/support/temp_dir.h"

namespace {

struct Planted {
  const char* name;    // a link of the other member's, to the runner's file of that name
  const char* theirs;  // their stale temporary of it
  const char* own;     // the runner's own
};
constexpr Planted kCases[] = {
    {"JWC_TEMP.TXT", "JWC_TEMP.TXT.999999-0123456789abcdef.tmp",
     "JWC_TEMP.TXT.999998-0123456789abcdef.tmp"},
    {"auxline.dat", "auxline.dat.0123456789abcdef.tmp", "auxline.dat.0123456789abcdee.tmp"},
};

TEST(SharedGroupFolder, AnotherMembersLinksAndTemporariesLeftAlone) {
  const char* const folderText = std::getenv("AUXLINE_SHARED_FOLDER");
  const char* const role = std::getenv("AUXLINE_ROLE");
  if (folderText == nullptr || role == nullptr)
    GTEST_SKIP() << "needs a second user: run by tests/support/as_users.sh as root";
  const std::filesystem::path folder(folderText), mine = folder / "private";
  if (std::string_view(role) == "plant") {
    for (const Planted& c : kCases) {
      std::filesystem::create_symlink(mine / c.name, folder / c.name);
      WriteBytes(folder / c.theirs, "theirs");
    }
    return;
  }
  ASSERT_NE(::geteuid(), 0u);
  std::filesystem::create_directory(mine);
  std::filesystem::permissions(mine, std::filesystem::perms::owner_all);
  for (const Planted& c : kCases) {
    SCOPED_TRACE(c.name);
    WriteBytes(mine / c.name, "mine\r\n");
    WriteBytes(folder / c.own, "half");
    ScopedFileCalls scoped;
    FakeAgeOfAll(folder, std::chrono::hours(1));
    EXPECT_EQ(RegularFileReader(folder / c.name).State(), RegularFileReader::Outcome::Unreadable);
    EXPECT_FALSE(ReplaceFileContents(folder / c.name, "hq\r\n"));
    EXPECT_FALSE(RemoveRegularFile(folder / c.name));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / c.name));
    EXPECT_EQ(ReadBytes(mine / c.name), "mine\r\n");
    // The link replaced by a file of the runner's: the runner's stale temporaries go, not theirs.
    std::filesystem::remove(folder / c.name);
    WriteBytes(folder / c.name, "own\r\n");
    EXPECT_TRUE(ReplaceFileContents(folder / c.name, "new\r\n"));
    EXPECT_TRUE(std::filesystem::exists(folder / c.theirs));
    EXPECT_FALSE(std::filesystem::exists(folder / c.own));
  }
}

}  // namespace
