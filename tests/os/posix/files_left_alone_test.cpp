// Files the tool leaves alone: others' links in folders others may write and others' files
// (owners faked, so no root needed, and for real as two users); a FIFO or a device, never
// waited on (that would hang the host).
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <string>

#include "os/file_system.h"
#include "os/posix/followed_links.h"
#include "tests/support/faked_status.h"
#include "tests/support/temp_dir.h"

namespace {

const uid_t kRunner = ::geteuid(), kOther = kRunner + 1000;

struct stat Status(uid_t owner, mode_t mode) {
  struct stat status {};
  status.st_uid = owner;
  status.st_mode = mode;
  return status;
}

// In a folder anyone but the runner may write, only the runner's and root's links are followed.
TEST(OwnershipRules, MayFollowLink) {
  constexpr uid_t kUser = 1001, kSomeone = 1002, kNeighbour = 1003;
  struct Case {
    const char* what;
    uid_t folder;
    mode_t mode;  // the folder's
    bool others;  // whether a neighbour's link may be followed
    uid_t runner = kUser;
  } const kCases[] = {
      {"group folder (2775)", 0, 02775, false},
      {"others may write, not sticky", kUser, 0777, false},
      {"sticky, everyone may write", 0, 01777, false},
      {"own folder", kUser, 0755, true},
      {"another user's folder, who may make it writable", kSomeone, 0755, false},
      {"root's folder", 0, 0755, true},
      {"run by root, group folder", 0, 02775, false, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const struct stat folder = Status(c.folder, S_IFDIR | c.mode);
    const auto may = [&](uid_t link) {
      return MayFollowLink(Status(link, S_IFLNK | 0777), folder, c.runner);
    };
    EXPECT_TRUE(may(c.runner));
    EXPECT_TRUE(may(0));
    EXPECT_EQ(may(kNeighbour), c.others);
  }
}

// A chain of links opened, every link checked against its own folder, or (no links) another's
// file that stays theirs; sub/private is read-only.
TEST(OwnershipRules, LinksAndFilesOfOthers) {
  using Link = std::tuple<const char*, const char*, uid_t>;  // name, text, owner
  const FakedStatus group{{}, 0, {}, 02775}, own{{}, kRunner, {}, 0755},
      open{{}, kRunner, {}, 0777};
  struct Case {
    const char* what;
    FakedStatus folder;
    std::vector<Link> links;  // the first is opened, else sub/private itself
    bool ok;
    uid_t owner = kRunner;  // of sub/private
    bool writable = true;
  } const kCases[] = {
      {"another's link, group folder", group, {{"a", "sub/private", kOther}}, false},
      {"another's link, own folder", own, {{"a", "sub/private", kOther}}, true},
      {"own link to another's", group, {{"a", "b", kRunner}, {"b", "sub/private", kOther}}, false},
      {"own via another's dir", group, {{"a", "d/private", kRunner}, {"d", "sub", kOther}}, false},
      {"own link to own link", group, {{"a", "b", kRunner}, {"b", "sub/private", kRunner}}, true},
      {"another's file the runner may not write", open, {}, false, kOther, false},
      {"another's file the runner may write", open, {}, true, kOther, true},
      {"own read-only file", open, {}, true, kRunner, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::filesystem::path file = dir / "sub" / "private";
    std::filesystem::create_directory(dir / "sub");
    WriteBytes(file, "private\r\n");
    std::filesystem::permissions(file, std::filesystem::perms(0444));
    std::map<std::string, FakedStatus> faked{{dir.Path().filename().string(), c.folder},
                                             {"private", {{}, c.owner}}};
    for (const auto& [name, text, owner] : c.links) {
      std::filesystem::create_symlink(text, dir / name);
      faked[name].owner = owner;
    }
    ScopedFileCalls scoped;
    ScopedFileCalls::Plan().inner.faccessat = [](int, const char*, int, int) { return 0; };
    if (!c.writable) ScopedFileCalls::Plan().failEvery = "faccessat";  // W_OK, its only use
    FakeStatusOf(faked);
    const auto first = c.links.empty() ? file : dir / std::get<0>(c.links.front());
    if (!c.links.empty()) {
      const std::optional<FollowedPath> followed = FollowLinks(first);
      EXPECT_EQ(followed.has_value(), c.ok);
      EXPECT_TRUE(!followed || followed->Path.filename() == "private");
      EXPECT_EQ(RegularFileReader(first).State() == RegularFileReader::Outcome::Opened, c.ok);
    }
    EXPECT_EQ(ReplaceFileContents(first, "new\r\n").Ok(), c.ok);
    EXPECT_EQ(ReadBytes(file), c.ok ? "new\r\n" : "private\r\n");
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0444));
    if (c.links.empty()) {
      EXPECT_EQ(RemoveRegularFile(file).Ok(), c.ok);
      EXPECT_EQ(std::filesystem::exists(file), !c.ok);
    }
  }
}

// Two real members of a group folder (2775), made by tests/support/as_users.sh (skipped
// elsewhere): one plants links to the other's files at the tool's file names, and stale files
// named like its temporaries; the other's runs follow, replace and remove none of them.
TEST(SharedGroupFolder, AnotherMembersLinksAndTemporariesLeftAlone) {
  const char* const shared = std::getenv("AUXLINE_SHARED_FOLDER");
  const char* const role = std::getenv("AUXLINE_ROLE");
  if (shared == nullptr || role == nullptr)
    GTEST_SKIP() << "needs a second user: run by tests/support/as_users.sh as root";
  const std::filesystem::path folder(shared), mine = folder / "private";
  for (const std::string name : {"JWC_TEMP.TXT", "auxline.dat"}) {
    SCOPED_TRACE(name);
    const std::string theirs = name + ".999999-0123456789abcdef.tmp",
                      own = name + ".999998-0123456789abcdef.tmp";
    if (role == std::string("plant")) {
      std::filesystem::create_symlink(mine / name, folder / name);
      WriteBytes(folder / theirs, "theirs");
      continue;
    }
    ASSERT_NE(::geteuid(), 0u);
    std::filesystem::create_directories(mine);
    WriteBytes(mine / name, "mine\r\n");
    WriteBytes(folder / own, "half");
    ScopedFileCalls scoped;
    FakeAgeOfAll(folder, std::chrono::hours(1));
    EXPECT_EQ(RegularFileReader(folder / name).State(), RegularFileReader::Outcome::Unreadable);
    EXPECT_FALSE(ReplaceFileContents(folder / name, "hq\r\n"));
    EXPECT_EQ(ReadBytes(mine / name), "mine\r\n");
    // The link replaced by a file of the runner's: the runner's stale temporaries go, not theirs.
    std::filesystem::remove(folder / name);
    WriteBytes(folder / name, "own\r\n");
    EXPECT_TRUE(ReplaceFileContents(folder / name, "new\r\n"));
    EXPECT_TRUE(std::filesystem::exists(folder / theirs));
    EXPECT_FALSE(std::filesystem::exists(folder / own));
  }
}

TEST(NonRegularFiles, NeverWaitedOnNorTouched) {
  struct Case {
    const char* what;
    void (*make)(const std::filesystem::path&);
  } const kCases[] = {
      {"FIFO", [](const std::filesystem::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0666), 0); }},
      {"link to a device",
       [](const std::filesystem::path& p) { std::filesystem::create_symlink("/dev/zero", p); }},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::filesystem::path file = dir / "JWC_TEMP.TXT";
    c.make(file);
    ::alarm(10);  // an open that waits ends the test program here
    EXPECT_EQ(RegularFileReader(file).State(), RegularFileReader::Outcome::Unreadable);
    EXPECT_EQ(FileIdentityOf(file), "");
    EXPECT_FALSE(ReplaceFileContents(file, "hq\r\n"));
    EXPECT_FALSE(RemoveRegularFile(file));
    RemoveAbandonedTemporariesOf(file);
    ::alarm(0);
    EXPECT_EQ(dir.Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
    EXPECT_FALSE(std::filesystem::is_regular_file(file));
  }
}

}  // namespace
