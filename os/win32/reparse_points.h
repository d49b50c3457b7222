#pragma once
// Following symbolic links and junctions (reparse points that name another file) the way the
// POSIX layer follows links in a folder that others may write to: only one made by this
// user, by the folder's owner or by the administrators is followed. Anyone who may write to
// the tool's folder may plant one there; following another user's would let them choose
// which of this user's files the tool reads or replaces. A link that may not be followed
// counts as a file that is not there to read and may not be replaced: nothing is touched.
#include <windows.h>

#include <filesystem>

// Whether the rule lets the user `user` follow a link owned by `owner`, in a folder owned
// by `folderOwner`.
bool MayFollowReparsePoint(PSID owner, PSID user, PSID folderOwner);

// False only for a link at `path` (its own name, not its folders) that the rule forbids, or
// whose owners cannot be told. Costs one attribute query when `path` is no reparse point.
bool MayFollowReparsePointAt(const std::filesystem::path& path);
