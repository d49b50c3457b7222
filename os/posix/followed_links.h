#pragma once
// Following symbolic links only where nobody else could have planted them to their liking:
// in a folder that someone besides the running user may write to (a group or others write
// bit, sticky or not, or a folder of a third user, who may make it writable at any time), a
// link is followed only when it belongs to the running user or to root. Following another
// member's link in a group folder would let them choose which of this user's files the tool
// reads or replaces. Stricter than the kernel's own rule for sticky folders
// (fs.protected_symlinks), and whatever the machine's setting. POSIX only; used by the file
// layer alone.
#include <sys/stat.h>

#include <filesystem>
#include <optional>

// Where a path leads after every link of it, and of the links' own texts, has been followed.
struct FollowedPath {
  std::filesystem::path Path;         // holds no link that was followed
  std::optional<struct stat> Status;  // none when nothing is there (yet)
  std::optional<struct stat> Folder;  // the status of Path's folder, where a link was followed
};

// Nothing, with errno telling why (EACCES for the rule above, ELOOP for a loop), when a link
// may not be followed or the path cannot be examined. The folder part of `path` is the caller's own
// and taken as it is (the tool's files are named from the executable's canonical path); every link
// from the file's name on is checked, including those that the links' texts pass through, relative
// ones resolved against their own folder. Costs one lstat when the file's name is no link.
std::optional<FollowedPath> FollowLinks(const std::filesystem::path& path);

// Whether the rule lets the user `runner` follow `link`, found in a folder of status `folder`.
bool MayFollowLink(const struct stat& link, const struct stat& folder, uid_t runner);
