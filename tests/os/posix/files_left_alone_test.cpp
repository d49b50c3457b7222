// Files the tool leaves alone: others' links in shared sticky folders and others' files (owners
// faked, so no root needed); a FIFO or a device, never waited on (that would hang the host).
#include <unistd.h>

#include <map>

#include "os/file_system.h"
#include "os/posix/followed_links.h"
#include "tests/support/file_call_faults.h"
#include "tests/support/temp_dir.h"

namespace {

const uid_t kRunner = ::geteuid(), kOther = kRunner + 1000, kThird = kRunner + 2000;

struct stat Status(uid_t owner, mode_t mode) {
  struct stat status {};
  status.st_uid = owner;
  status.st_mode = mode;
  return status;
}

TEST(OwnershipRules, MayFollowLink) {
  struct Case {
    const char* what;
    uid_t link, folder, runner;
    mode_t mode;  // the folder's
    bool may;
  } const kCases[] = {
      {"own link in a shared sticky folder", kRunner, kThird, kRunner, 01777, true},
      {"another's link in a shared sticky folder", kOther, kThird, kRunner, 01777, false},
      {"another's link, the folder's owner's", kOther, kOther, kRunner, 01777, true},
      {"another's link, folder not sticky", kOther, kThird, kRunner, 0777, true},
      {"another's link, sticky folder only its owner writes", kOther, kThird, kRunner, 01755, true},
      {"another's link followed by root", kOther, kThird, 0, 01777, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const struct stat folder = Status(c.folder, S_IFDIR | c.mode);
    EXPECT_EQ(MayFollowLink(Status(c.link, S_IFLNK | 0777), folder, c.runner), c.may);
  }
}

struct FakedOwners {  // owners by file name; the test folder's mode (its owner kThird)
  std::map<std::string, uid_t> owners;
  std::filesystem::path folder;
  mode_t folderMode;
  bool writable;
} g_faked;

// A third user's folder holding sub/private (read-only), as the faked file calls tell it.
struct FakedFolder {
  FakedFolder(mode_t folderMode, bool writable, uid_t privateOwner) {
    g_faked = FakedOwners{
        {{"private", privateOwner}}, dir.Path().lexically_normal(), folderMode, writable};
    ScopedFileCalls::Plan().inner.fstatat = [](int at, const char* path, struct stat* s,
                                               int flags) {
      const int done = SystemFileCalls().fstatat(at, path, s, flags);
      if (done == 0 && std::filesystem::path(path).lexically_normal() == g_faked.folder) {
        s->st_uid = kThird;
        s->st_mode = (s->st_mode & ~mode_t{07777}) | g_faked.folderMode;
      }
      const auto owner = g_faked.owners.find(std::filesystem::path(path).filename().string());
      if (done == 0 && owner != g_faked.owners.end()) s->st_uid = owner->second;
      return done;
    };
    ScopedFileCalls::Plan().inner.faccessat = [](int at, const char* path, int mode, int flags) {
      if (mode != W_OK) return SystemFileCalls().faccessat(at, path, mode, flags);
      errno = EACCES;
      return g_faked.writable ? 0 : -1;
    };
    std::filesystem::create_directory(dir / "sub");
    WriteBytes(dir / "sub" / "private", "private\r\n");
    std::filesystem::permissions(dir / "sub" / "private", std::filesystem::perms(0444));
  }
  TempDir dir;
  ScopedFileCalls calls;
};

// A chain of links opened, every link checked, or (no links) another's file that stays theirs.
TEST(OwnershipRules, LinksAndFilesOfOthers) {
  using Link = std::tuple<const char*, const char*, uid_t>;  // name, text, owner
  struct Case {
    const char* what;
    mode_t mode;
    std::vector<Link> links;  // the first is opened, else sub/private itself
    bool ok;
    uid_t owner = kRunner;  // of sub/private, read-only
    bool writable = true;
  } const kCases[] = {
      {"own link", 01777, {{"a", "sub/private", kRunner}}, true},
      {"another's link", 01777, {{"a", "sub/private", kOther}}, false},
      {"the folder owner's link", 01777, {{"a", "sub/private", kThird}}, true},
      {"another's link, folder not sticky", 0777, {{"a", "sub/private", kOther}}, true},
      {"own link to another's", 01777, {{"a", "b", kRunner}, {"b", "sub/private", kOther}}, false},
      {"own via another's dir", 01777, {{"a", "d/private", kRunner}, {"d", "sub", kOther}}, false},
      {"own link to own link", 01777, {{"a", "b", kRunner}, {"b", "sub/private", kRunner}}, true},
      {"another's file the runner may not write", 0777, {}, false, kOther, false},
      {"another's file the runner may write", 0777, {}, true, kOther, true},
      {"own read-only file", 0777, {}, true, kRunner, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    FakedFolder f(c.mode, c.writable, c.owner);
    const std::filesystem::path file = f.dir / "sub" / "private";
    for (const auto& [name, text, owner] : c.links) {
      std::filesystem::create_symlink(text, f.dir / name);
      g_faked.owners[name] = owner;
    }
    const auto first = c.links.empty() ? file : f.dir / std::get<0>(c.links.front());
    if (!c.links.empty()) {
      const std::optional<FollowedPath> followed = FollowLinks(first);
      EXPECT_EQ(followed.has_value(), c.ok);
      EXPECT_TRUE(!followed || followed->Path.filename() == "private");
      EXPECT_EQ(RegularFileReader(first).State() == RegularFileReader::Outcome::Opened, c.ok);
    }
    EXPECT_EQ(ReplaceFileContents(first, "new\r\n"), c.ok);
    EXPECT_EQ(ReadBytes(file), c.ok ? "new\r\n" : "private\r\n");
    EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0444));
    if (c.links.empty()) {
      EXPECT_EQ(RemoveRegularFile(file), c.ok);
      EXPECT_EQ(std::filesystem::exists(file), !c.ok);
    }
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
