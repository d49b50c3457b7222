#pragma once
// The files a replacement leaves beside its target: its temporary file, and while
// ReplaceFileW runs the old file under a backup name (install_file.cpp). Both are named by
// temporary_files::NameFor with the creator's process id. Only the user's own regular files
// count; another user's file of such a name in a shared folder is neither read nor removed.
#include <filesystem>
#include <string>
#include <vector>

// Removes those of `targetName` in `folder` that killed runs clearly abandoned, judged by
// when each was made. While no file holds the target's name, nothing is removed: they may
// be its last copies.
void RemoveAbandonedCopies(const std::filesystem::path& folder, const std::wstring& targetName);

// All of them, whose bytes were written last first.
std::vector<std::filesystem::path> OwnCopies(const std::filesystem::path& folder,
                                             const std::wstring& targetName);
