#pragma once
// Following symbolic links the way the kernel does for a user under fs.protected_symlinks=1,
// whatever the machine's own setting: in a sticky folder that everyone may write to (a
// shared temporary or exchange folder), a link is followed only when it belongs to the
// running user or to the folder's owner. Anyone may plant a link there; following one of
// another user's would let them choose which of this user's files the tool reads or
// replaces. POSIX only; used by the file layer alone.
#include <sys/stat.h>

#include <filesystem>
#include <optional>

// Where a path leads after every link of it, and of the links' own texts, has been followed.
struct FollowedPath {
  std::filesystem::path Path;         // holds no link that was followed
  std::optional<struct stat> Status;  // none when nothing is there (yet)
  std::optional<struct stat> Folder;  // the status of Path's folder, where a link was followed
};

// Nothing when a link may not be followed (the rule above, or a loop), or the path cannot be
// examined. The folder part of `path` is the caller's own and taken as it is (the tool's
// files are named from the executable's canonical path); every link from the file's name on
// is checked, including those that the links' texts pass through, relative ones resolved
// against their own folder. Costs one lstat when the file's name is no link.
std::optional<FollowedPath> FollowLinks(const std::filesystem::path& path);

// Whether the rule lets the user `runner` follow `link`, found in a folder of status `folder`.
bool MayFollowLink(const struct stat& link, const struct stat& folder, uid_t runner);
