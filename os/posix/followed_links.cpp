#include "os/posix/followed_links.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "os/posix/file_calls.h"

namespace {

constexpr int kMaxLinkHops = 40;  // the kernel's own limit (ELOOP)

int StatusOf(const char* path, struct stat* status) {
  return FileCalls().fstatat(AT_FDCWD, path, status, 0);
}

int LinkStatusOf(const char* path, struct stat* status) {
  return FileCalls().fstatat(AT_FDCWD, path, status, AT_SYMLINK_NOFOLLOW);
}

std::optional<std::string> LinkText(const std::filesystem::path& link, const struct stat& status) {
  std::string text(static_cast<std::size_t>(status.st_size > 0 ? status.st_size : 255) + 1, '\0');
  const ssize_t length = FileCalls().readlinkat(AT_FDCWD, link.c_str(), text.data(), text.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= text.size()) {
    if (length >= 0) errno = ELOOP;  // the link changed while it was read
    return std::nullopt;
  }
  text.resize(static_cast<std::size_t>(length));
  return text;
}

// The names of `text` onto the stack of names still to walk, its first name on top.
void PushNames(const std::filesystem::path& text, std::vector<std::filesystem::path>& pending) {
  std::vector<std::filesystem::path> names;
  for (const std::filesystem::path& name : text.relative_path()) names.push_back(name);
  pending.insert(pending.end(), names.rbegin(), names.rend());
}

}  // namespace

bool MayFollowLink(const struct stat& link, const struct stat& folder, uid_t runner) {
  if (link.st_uid == runner || link.st_uid == 0) return true;
  const bool othersMayWrite = (folder.st_mode & (S_IWGRP | S_IWOTH)) != 0 ||
                              (folder.st_uid != runner && folder.st_uid != 0);
  return !othersMayWrite;
}

std::optional<FollowedPath> FollowLinks(const std::filesystem::path& path) {
  struct stat status {};
  if (LinkStatusOf(path.c_str(), &status) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) return std::nullopt;
    return FollowedPath{path, std::nullopt, std::nullopt};
  }
  if (!S_ISLNK(status.st_mode)) return FollowedPath{path, status, std::nullopt};

  // A walk name by name, as the kernel's own: every link met is checked against the folder
  // it lies in. ".." is taken from the folder reached, never by cutting the path's text.
  std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  struct stat folderStatus {};
  if (StatusOf(folder.c_str(), &folderStatus) != 0) return std::nullopt;
  std::vector<std::filesystem::path> pending{path.filename()};
  int hops = 0;
  while (!pending.empty()) {
    const std::filesystem::path name = std::move(pending.back());
    pending.pop_back();
    const bool last = pending.empty();
    if (name.empty() || name == "." || name == "..") {
      if (name == "..") {
        folder /= "..";
        if (StatusOf(folder.c_str(), &folderStatus) != 0) return std::nullopt;
      }
      continue;
    }
    const std::filesystem::path next = folder / name;
    if (LinkStatusOf(next.c_str(), &status) != 0) {
      if (errno != ENOENT && errno != ENOTDIR) return std::nullopt;
      // Nothing there: the rest of the path says where the file would be made.
      std::filesystem::path missing = next;
      for (; !pending.empty(); pending.pop_back()) missing /= pending.back();
      return FollowedPath{missing, std::nullopt,
                          last ? std::optional<struct stat>(folderStatus) : std::nullopt};
    }
    if (S_ISLNK(status.st_mode)) {
      if (++hops > kMaxLinkHops || !MayFollowLink(status, folderStatus, ::geteuid())) {
        errno = hops > kMaxLinkHops ? ELOOP : EACCES;
        return std::nullopt;
      }
      const std::optional<std::string> text = LinkText(next, status);
      if (!text) return std::nullopt;
      const std::filesystem::path target(*text);
      if (target.is_absolute()) {
        folder = "/";
        if (StatusOf("/", &folderStatus) != 0) return std::nullopt;
      }
      PushNames(target, pending);
      continue;
    }
    if (last) return FollowedPath{next, status, folderStatus};
    if (!S_ISDIR(status.st_mode)) {  // a file in the middle of a path
      errno = ENOTDIR;
      return std::nullopt;
    }
    folder = next;
    folderStatus = status;
  }
  // The walk ended on a folder (a link to "/", or a path ending in "." or ".."): never a
  // file to read or replace.
  return FollowedPath{folder, folderStatus, std::nullopt};
}
