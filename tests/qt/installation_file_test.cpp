// Which files `auxline` starts as the dialog program and the dialog program loads as the
// dialog module: the rule on the file's status, the private-group test, and the opening,
// which never follows a link and never waits.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/linux/module_file_check.h"
#include "platform/linux/qt/dialog_module.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr uid_t kOwner = 1000;
constexpr gid_t kPrivateGroup = 1000;
bool OnlyGroup1000IsPrivate(gid_t gid, uid_t) { return gid == kPrivateGroup; }

TEST(InstallationFile, RuleOnTheOpenFilesStatus) {
  const struct {
    const char* what;
    mode_t mode;
    uid_t uid;
    gid_t gid;
    bool used;
  } kCases[] = {
      {"root's, 0755", S_IFREG | 0755, 0, 0, true},
      {"the owner's, 0755", S_IFREG | 0755, kOwner, 50, true},
      {"another user's", S_IFREG | 0755, 1001, 50, false},
      {"writable by others", S_IFREG | 0757, kOwner, 50, false},
      {"root's, writable by others", S_IFREG | 0757, 0, 0, false},
      {"group-writable, the owner's private group", S_IFREG | 0775, kOwner, kPrivateGroup, true},
      {"group-writable, a shared group", S_IFREG | 0775, kOwner, 50, false},
      {"a FIFO", S_IFIFO | 0755, kOwner, 50, false},
      {"a folder", S_IFDIR | 0755, kOwner, 50, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    struct stat status {};
    status.st_mode = c.mode;
    status.st_uid = c.uid;
    status.st_gid = c.gid;
    EXPECT_EQ(InstallationFileMayBeUsed(status, kOwner, OnlyGroup1000IsPrivate), c.used);
  }
}

TEST(InstallationFile, GroupIsPrivateOnlyWithNoOtherMember) {
  const std::string passwd = "root:x:0:0::/root:/bin/sh\nann:x:1000:1000::/home/ann:/bin/sh\n";
  const struct {
    const char* what;
    std::string passwd;
    std::string group;
    bool isPrivate;
  } kCases[] = {
      {"a user private group", passwd, "ann:x:1000:\n", true},
      {"listing only its owner", passwd, "ann:x:1000:ann\n", true},
      {"listing another user", passwd, "ann:x:1000:ann,bob\n", false},
      {"another user's primary group too", passwd + "bob:x:1001:1000::/:/bin/sh\n", "ann:x:1000:\n",
       false},
      {"not in the group file", passwd, "staff:x:50:\n", false},
      {"an owner the password file does not know", "root:x:0:0::/:/bin/sh\n", "ann:x:1000:\n",
       false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(GroupIsPrivateTo(c.passwd, c.group, 1000, 1000), c.isPrivate);
  }
}

TEST(InstallationFile, OpenedOnlyAsAWholeOwnFileWithoutWaiting) {
  TempDir dir;
  const std::filesystem::path module =
      std::filesystem::path(AUXLINE_MODULE_DIR) / kDialogModuleFileName;
  const std::filesystem::path file = dir / "file.so";
  const struct {
    const char* what;
    std::function<void()> make;
    bool opened;
  } kCases[] = {
      {"the module", [&] { std::filesystem::copy_file(module, file); }, true},
      {"a link to it", [&] { std::filesystem::create_symlink(module, file); }, false},
      {"a FIFO", [&] { ASSERT_EQ(::mkfifo(file.c_str(), 0755), 0); }, false},
      {"writable by others",
       [&] {
         std::filesystem::copy_file(module, file);
         ::chmod(file.c_str(), 0757);
       },
       false},
      {"cut short", [&] { WriteBytes(file, ReadBytes(module)->substr(0, 4096)); }, false},
      {"missing", [] {}, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(file);
    c.make();
    const int fd = OpenInstallationFile(file, ::geteuid(), ProgramKind::SharedObject);
    EXPECT_EQ(fd >= 0, c.opened);
    if (fd >= 0) ::close(fd);
  }
}

}  // namespace
