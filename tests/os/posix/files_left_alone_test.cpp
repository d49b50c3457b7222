// Files the tool leaves alone: others' links in folders others may write and others' files
// (owners faked, so no root needed); a FIFO or a device, never waited on (that would hang the
// host).
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

// In a folder anyone but the runner may write, only the runner's and root's links are followed.
TEST(OwnershipRules, MayFollowLink) {
  constexpr uid_t kUser = 1001, kSomeone = 1002, kNeighbour = 1003;
  struct Case {
    const char* what;
    uid_t folder;
    mode_t mode;                  // the folder's
    bool runners, others, roots;  // whose links may be followed
    uid_t runner = kUser;
  } const kCases[] = {
      {"group folder (2775)", 0, 02775, true, false, true},
      {"others may write, not sticky", kUser, 0777, true, false, true},
      {"sticky, everyone may write", 0, 01777, true, false, true},
      {"own folder", kUser, 0755, true, true, true},
      {"another user's folder, who may make it writable", kSomeone, 0755, true, false, true},
      {"root's folder", 0, 0755, true, true, true},
      {"run by root, group folder", 0, 02775, true, false, true, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const struct stat folder = Status(c.folder, S_IFDIR | c.mode);
    const auto may = [&](uid_t link) {
      return MayFollowLink(Status(link, S_IFLNK | 0777), folder, c.runner);
    };
    EXPECT_EQ(may(c.runner), c.runners);
    EXPECT_EQ(may(kNeighbour), c.others);
    EXPECT_EQ(may(0), c.roots);
  }
}

struct FakedOwners {  // owners by file name; the test folder's owner and mode
  std::map<std::string, uid_t> owners;
  std::filesystem::path folder;
  uid_t folderOwner;
  mode_t folderMode;
  bool writable;
} g_faked;

// A folder holding sub/private (read-only), as the faked file calls tell it.
struct FakedFolder {
  FakedFolder(uid_t folderOwner, mode_t folderMode, bool writable, uid_t privateOwner) {
    g_faked = FakedOwners{{{"private", privateOwner}},
                          dir.Path().lexically_normal(),
                          folderOwner,
                          folderMode,
                          writable};
    ScopedFileCalls::Plan().inner.fstatat = [](int at, const char* path, struct stat* s,
                                               int flags) {
      const int done = SystemFileCalls().fstatat(at, path, s, flags);
      if (done == 0 && std::filesystem::path(path).lexically_normal() == g_faked.folder) {
        s->st_uid = g_faked.folderOwner;
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
  const uid_t kRoot = 0;
  struct Case {
    const char* what;
    uid_t folder;
    mode_t mode;
    std::vector<Link> links;  // the first is opened, else sub/private itself
    bool ok;
    uid_t owner = kRunner;  // of sub/private, read-only
    bool writable = true;
  } const kCases[] = {
      {"own link, group folder", kRoot, 02775, {{"a", "sub/private", kRunner}}, true},
      {"root's link, group folder", kRoot, 02775, {{"a", "sub/private", kRoot}}, true},
      {"another's link, group folder", kRoot, 02775, {{"a", "sub/private", kOther}}, false},
      {"another's link, others may write", kRunner, 0777, {{"a", "sub/private", kOther}}, false},
      {"another's link, sticky folder", kRoot, 01777, {{"a", "sub/private", kOther}}, false},
      {"sticky folder owner's link", kThird, 01777, {{"a", "sub/private", kThird}}, false},
      {"another's link, own folder", kRunner, 0755, {{"a", "sub/private", kOther}}, true},
      {"owner's link, another's folder", kThird, 0755, {{"a", "sub/private", kThird}}, false},
      {"another's link, root's folder", kRoot, 0755, {{"a", "sub/private", kOther}}, true},
      {"own link to another's",
       kRoot,
       02775,
       {{"a", "b", kRunner}, {"b", "sub/private", kOther}},
       false},
      {"own via another's dir",
       kRoot,
       02775,
       {{"a", "d/private", kRunner}, {"d", "sub", kOther}},
       false},
      {"own link to own link",
       kRoot,
       02775,
       {{"a", "b", kRunner}, {"b", "sub/private", kRunner}},
       true},
      {"another's file the runner may not write", kRunner, 0777, {}, false, kOther, false},
      {"another's file the runner may write", kRunner, 0777, {}, true, kOther, true},
      {"own read-only file", kRunner, 0777, {}, true, kRunner, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    FakedFolder f(c.folder, c.mode, c.writable, c.owner);
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
