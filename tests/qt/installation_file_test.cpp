// Which installed files may be started or loaded: the status rule, the private group.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/linux/module_file_check.h"

namespace {

bool Only1000IsPrivate(gid_t gid, uid_t) { return gid == 1000; }

TEST(InstallationFile, RuleOnTheOpenFilesStatus) {
  const struct {
    const char* what;
    mode_t mode;
    uid_t uid;
    gid_t gid;
    bool used;
  } kCases[] = {
      {"root's", S_IFREG | 0755, 0, 0, true},
      {"the owner's", S_IFREG | 0755, 1000, 50, true},
      {"another user's", S_IFREG | 0755, 1001, 50, false},
      {"writable by others", S_IFREG | 0757, 0, 0, false},
      {"group-writable, the owner's private group", S_IFREG | 0775, 1000, 1000, true},
      {"group-writable, a shared group", S_IFREG | 0775, 1000, 50, false},
      {"a FIFO", S_IFIFO | 0755, 1000, 50, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    struct stat status {};
    status.st_mode = c.mode, status.st_uid = c.uid, status.st_gid = c.gid;
    EXPECT_EQ(InstallationFileMayBeUsed(status, 1000, Only1000IsPrivate), c.used);
  }
}

TEST(InstallationFile, GroupIsPrivateOnlyWithNoOtherMember) {
  const std::string passwd = "root:x:0:0::/root:/bin/sh\nann:x:1000:1000::/home/ann:/bin/sh\n";
  const struct {
    const char* what;
    std::string passwd, group;
    bool isPrivate;
  } kCases[] = {
      {"a user private group", passwd, "ann:x:1000:\n", true},
      {"listing only its owner", "ann:x:1000:50::/:/bin/sh\n", "t:x:1000:ann\n", true},
      {"without members", "ann:x:1000:50::/:/bin/sh\n", "t:x:1000:\n", false},
      {"listing another user", passwd, "ann:x:1000:ann,bob\n", false},
      {"another user's primary group", passwd + "bob:x:1001:1000::/:/bin/sh\n", "ann:x:1000:\n",
       false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(GroupIsPrivateTo(c.passwd, c.group, 1000, 1000), c.isPrivate);
  }
}

}  // namespace
