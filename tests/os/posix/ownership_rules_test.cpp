// The rules about other users' links and files: a link in a sticky folder that everyone may
// write is followed only when it is the runner's or the folder owner's, every link of a chain
// checked; another user's file that the runner could not write is never replaced or removed.
// Owners and folder modes are faked through the call table, so that no test needs root.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "os/file_system.h"
#include "os/posix/followed_links.h"
#include "tests/support/file_call_faults.h"
#include "tests/support/temp_dir.h"

namespace {

const uid_t kRunner = ::geteuid();
const uid_t kOther = kRunner + 1000;
const uid_t kThird = kRunner + 2000;

struct stat Status(uid_t owner, mode_t mode) {
  struct stat status {};
  status.st_uid = owner;
  status.st_mode = mode;
  return status;
}

TEST(OwnershipRules, MayFollowLink) {
  constexpr mode_t kLink = S_IFLNK | 0777;
  struct Case {
    const char* what;
    uid_t link, folder, runner;
    mode_t folderMode;
    bool may;
  } const kCases[] = {
      {"own link in a shared sticky folder", kRunner, kThird, kRunner, 01777, true},
      {"another's link in a shared sticky folder", kOther, kThird, kRunner, 01777, false},
      {"another's link, the folder's owner's", kOther, kOther, kRunner, 01777, true},
      {"another's link, folder everyone may write, not sticky", kOther, kThird, kRunner, 0777,
       true},
      {"another's link, sticky folder only its owner may write", kOther, kThird, kRunner, 01755,
       true},
      {"another's link followed by root", kOther, kThird, 0, 01777, false},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(
        MayFollowLink(Status(c.link, kLink), Status(c.folder, S_IFDIR | c.folderMode), c.runner),
        c.may);
  }
}

// What the faked file system reports: owners by file name, the test folder's owner and mode.
struct FakedOwners {
  std::map<std::string, uid_t> owners;
  std::filesystem::path folder;
  uid_t folderOwner = kThird;
  mode_t folderMode = 01777;
  bool writable = true;
};
FakedOwners& Faked() {
  static FakedOwners faked;
  return faked;
}

int FakedStatus(int dir, const char* path, struct stat* status, int flags) {
  const int done = SystemFileCalls().fstatat(dir, path, status, flags);
  if (done != 0) return done;
  const std::filesystem::path name(path);
  if (std::filesystem::path(name).lexically_normal() == Faked().folder) {
    status->st_uid = Faked().folderOwner;
    status->st_mode = (status->st_mode & ~mode_t{07777}) | Faked().folderMode;
  }
  const auto owner = Faked().owners.find(name.filename().string());
  if (owner != Faked().owners.end()) status->st_uid = owner->second;
  return done;
}

int FakedAccess(int dir, const char* path, int mode, int flags) {
  if (mode != W_OK) return SystemFileCalls().faccessat(dir, path, mode, flags);
  if (Faked().writable) return 0;
  errno = EACCES;
  return -1;
}

// A shared sticky folder of a third user, with real links whose owners are faked.
class FakedFolder {
 public:
  FakedFolder() {
    Faked() = FakedOwners{};
    Faked().folder = dir_.Path().lexically_normal();
    ScopedFileCalls::Plan().inner.fstatat = FakedStatus;
    ScopedFileCalls::Plan().inner.faccessat = FakedAccess;
    std::filesystem::create_directory(dir_ / "sub");
    WriteBytes(dir_ / "sub" / "private", "private\r\n");
  }
  std::filesystem::path Link(const char* name, const char* text, uid_t owner) {
    std::filesystem::create_symlink(text, dir_ / name);
    Faked().owners[name] = owner;
    return dir_ / name;
  }
  const TempDir& Dir() const { return dir_; }

 private:
  TempDir dir_;
  ScopedFileCalls calls_;
};

TEST(OwnershipRules, EveryLinkOfAChain) {
  struct Case {
    const char* what;
    mode_t folderMode;
    std::vector<std::tuple<const char*, const char*, uid_t>> links;  // the first is opened
    bool followed;
  } const kCases[] = {
      {"own link", 01777, {{"a", "sub/private", kRunner}}, true},
      {"another's link", 01777, {{"a", "sub/private", kOther}}, false},
      {"the folder owner's link", 01777, {{"a", "sub/private", kThird}}, true},
      {"another's link, folder not sticky", 0777, {{"a", "sub/private", kOther}}, true},
      {"own link to another's link",
       01777,
       {{"a", "b", kRunner}, {"b", "sub/private", kOther}},
       false},
      {"own link through another's link to a folder",
       01777,
       {{"a", "d/private", kRunner}, {"d", "sub", kOther}},
       false},
      {"own link to own link", 01777, {{"a", "b", kRunner}, {"b", "sub/private", kRunner}}, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    FakedFolder folder;
    Faked().folderMode = c.folderMode;
    for (const auto& [name, text, owner] : c.links) folder.Link(name, text, owner);
    const std::filesystem::path first = folder.Dir() / std::get<0>(c.links.front());
    const std::optional<FollowedPath> followed = FollowLinks(first);
    EXPECT_EQ(followed.has_value(), c.followed);
    if (followed) {
      EXPECT_EQ(followed->Path.filename(), "private");
    }
    EXPECT_EQ(RegularFileReader(first).State() == RegularFileReader::Outcome::Opened, c.followed);
    EXPECT_EQ(ReplaceFileContents(first, "new\r\n"), c.followed);
    EXPECT_EQ(ReadBytes(folder.Dir() / "sub" / "private"), c.followed ? "new\r\n" : "private\r\n");
  }
}

TEST(OwnershipRules, AnotherUsersFileStaysTheirs) {
  struct Case {
    const char* what;
    uid_t owner;
    bool writable;
    bool replaced;
  } const kCases[] = {
      {"another's file the runner may not write", kOther, false, false},
      {"another's file the runner may write", kOther, true, true},
      {"own read-only file", kRunner, false, true},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    FakedFolder folder;
    Faked().folderMode = 0777;
    Faked().writable = c.writable;
    const std::filesystem::path target = folder.Dir() / "auxline.dat";
    WriteBytes(target, "old\r\n");
    std::filesystem::permissions(target, std::filesystem::perms(0444));
    Faked().owners["auxline.dat"] = c.owner;
    EXPECT_EQ(ReplaceFileContents(target, "new\r\n"), c.replaced);
    EXPECT_EQ(ReadBytes(target), c.replaced ? "new\r\n" : "old\r\n");
    EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0444));
    EXPECT_EQ(RemoveRegularFile(target), c.replaced);
    EXPECT_EQ(std::filesystem::exists(target), !c.replaced);
  }
}

}  // namespace
