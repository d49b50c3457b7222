#pragma once
// Who owns a file, and who runs the tool: what the rules about other users' links and files
// ask of the system.
#include <windows.h>

#include <filesystem>
#include <memory>
#include <vector>

// The owner of an open file or folder (opened with READ_CONTROL), with the security
// descriptor that holds it.
struct Owner {
  PSID Sid = nullptr;
  std::unique_ptr<void, decltype(&LocalFree)> Descriptor{nullptr, &LocalFree};
};
bool ReadOwner(HANDLE file, Owner& owner);

// The user this process runs as; `buffer` holds it.
bool ReadUser(std::vector<BYTE>& buffer, PSID& user);

// Whether `owner` is the running user, or a group the user's token holds (the Administrators
// group owns what an elevated administrator makes).
bool OwnerIsRunner(PSID owner);

// Whether the open file (opened with READ_CONTROL) is the running user's, as OwnerIsRunner
// tells. On a file system that keeps no owners (FAT) every file is the user's.
bool OpenFileIsRunners(HANDLE file);

// Whether the tool may replace the existing file at `path`: the check a plain writer meets.
// `ownedByRunner`: the file is the running user's (who may change its ACL and attributes at
// will, so a read-only one of theirs is still replaced). `openError`: 0 when the file could
// be opened for writing, else why not; only a refusal (access denied) counts, not a hold.
bool MayReplaceFile(bool ownedByRunner, DWORD openError);

// The same for the file at `path`, asking the system. A file it cannot tell of is left to
// the steps that follow.
bool MayReplaceFileAt(const std::filesystem::path& path);
