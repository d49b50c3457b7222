// Which call puts the new file in place, and why in this order:
// - An existing file is replaced with ReplaceFileW: the new file takes over the old one's
//   ACL, owner, creation time, attributes and short name, as an editor's save would keep
//   them. It is given a backup name in the same folder, so that no failure half-way loses
//   the old file: with ERROR_UNABLE_TO_MOVE_REPLACEMENT both files keep their names; with
//   ERROR_UNABLE_TO_MOVE_REPLACEMENT_2 the old file is under the backup name and is renamed
//   back. The backup goes once the replacement has succeeded.
// - Where that fails, and always where there is nothing to replace, the temporary file is
//   renamed over the target through its own handle, with POSIX semantics: the name passes
//   to the new file even while other programs (a virus scanner, an indexer) still hold the
//   old one open with delete sharing; they go on reading the old bytes. The new file then
//   has the attributes and creation time given to it when it was written, and the folder's
//   inherited ACL. Systems before Windows 10 1709 and file systems that refuse it (FAT,
//   some network servers) get the classic MoveFileExW.
// - Where these fail because another program holds the file without sharing its deletion,
//   they are tried again after a pause, for a bounded time (HeldFileWait).
// - A failure that leaves no file under the target's name (the old one could not be put
//   back) never deletes the temporary file: the old bytes, kept in memory, or "nothing to
//   draw" go into a new file of the target's name. Only once a file is there again do the
//   temporary file and the backup go.
// - A read-only file cannot be replaced on Windows, by either call. The attribute is taken
//   off for the replacement and put back on the result (or on the old file after a
//   failure), so the file is replaced and stays read-only, as the mode is kept on Linux.
// - Durable: the temporary file was flushed before this step; afterwards the renamed file
//   is flushed through a handle, which on NTFS also commits the journal that holds the
//   rename. MOVEFILE_WRITE_THROUGH is documented for moves done as copy and delete only.
#include "os/win32/install_file.h"

#include <cstring>
#include <cwchar>
#include <vector>

#include "os/win32/failed_call.h"
#include "os/win32/file_calls.h"
#include "os/win32/handle.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// FileRenameInfoEx (Windows 10 1709 and later), which the compiler's headers declare only
// for newer targets than ours; the value is fixed by the system.
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);

// Its layout: its flags in the place of the older ReplaceIfExists byte (the
// same size with padding on 32 and 64 bits).
struct RenameInformation {
  DWORD Flags;
  HANDLE RootDirectory;
  DWORD FileNameLength;
  WCHAR FileName[1];
};

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

bool SetAttributes(const std::wstring& path, DWORD attributes) {
  const DWORD given = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
  return SetFileAttributesW(path.c_str(), given) != 0;
}

void FlushFile(const std::wstring& path) {
  Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.IsOpen()) FlushFileBuffers(file.Get());
}

// The rename with POSIX semantics through the temporary file's handle; the new name in the
// system's own form (`\??\`), which needs no translation.
bool RenameWithPosixSemantics(const std::wstring& temporary, const std::wstring& target,
                              bool durable, DWORD& error) {
  if (!StartsWith(target, L"\\\\?\\")) return false;
  const std::wstring name = L"\\??\\" + target.substr(4);
  Handle file(CreateFileW(temporary.c_str(), DELETE | SYNCHRONIZE | (durable ? GENERIC_WRITE : 0),
                          kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) {
    error = GetLastError();
    return false;
  }
  const DWORD nameBytes = static_cast<DWORD>(name.size() * sizeof(wchar_t));
  std::vector<unsigned char> buffer(sizeof(RenameInformation) + nameBytes);
  auto* info = reinterpret_cast<RenameInformation*>(buffer.data());
  info->Flags = FILE_RENAME_FLAG_REPLACE_IF_EXISTS | FILE_RENAME_FLAG_POSIX_SEMANTICS;
  info->RootDirectory = nullptr;
  info->FileNameLength = nameBytes;
  std::memcpy(info->FileName, name.data(), nameBytes);
  if (!FileCalls().SetFileInformationByHandle(file.Get(), kFileRenameInfoEx, info,
                                              static_cast<DWORD>(buffer.size()))) {
    error = GetLastError();
    return false;
  }
  // Once renamed, the replacement has happened; a failing flush does not undo it.
  if (durable) FlushFileBuffers(file.Get());
  return true;
}

bool RenameOver(const std::wstring& temporary, const std::wstring& target, bool durable,
                DWORD& error) {
  if (RenameWithPosixSemantics(temporary, target, durable, error)) return true;
  // Held without delete sharing: the classic rename cannot do better.
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return false;
  const DWORD flags = MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : 0);
  if (!FileCalls().MoveFileExW(temporary.c_str(), target.c_str(), flags)) {
    error = GetLastError();
    return false;
  }
  if (durable) FlushFile(target);
  return true;
}

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// ReplaceFileW with the backup name; the old file is put back under its name when the call
// stopped after moving it away.
bool ReplaceWithBackup(const Installation& install, DWORD& error) {
  constexpr DWORD kReplaceFlags = REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS;
  if (FileCalls().ReplaceFileW(install.Target.c_str(), install.Temporary.c_str(),
                               install.Backup.c_str(), kReplaceFlags, nullptr, nullptr)) {
    if (install.Durable) FlushFile(install.Target);
    return true;
  }
  error = GetLastError();
  if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
    FileCalls().MoveFileExW(install.Backup.c_str(), install.Target.c_str(), 0);
  }
  return false;
}

FileResult ReplaceOrRename(const Installation& install, HeldFileWait& wait) {
  for (;;) {
    DWORD error = 0;
    const bool replacing = install.OldAttributes.has_value() && Exists(install.Target);
    if (replacing && FileCalls().ReplaceFileW != nullptr && ReplaceWithBackup(install, error)) {
      return {};
    }
    if (RenameOver(install.Temporary, install.Target, install.Durable, error)) return {};
    if (!wait.PauseAfter(error, install.Target.c_str())) {
      return FailedWith("put the temporary file in the file's place", error);
    }
  }
}

// A new file of the target's name holding `bytes`; never over an existing one.
bool WriteNewFile(const std::wstring& path, std::string_view bytes, bool durable) {
  Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) return false;
  bool ok = true;
  while (ok && !bytes.empty()) {
    DWORD written = 0;
    const DWORD size = static_cast<DWORD>(bytes.size());
    ok = WriteFile(file.Get(), bytes.data(), size, &written, nullptr) != 0 && written != 0;
    bytes.remove_prefix(ok ? written : 0);
  }
  ok = ok && (!durable || FlushFileBuffers(file.Get()));
  ok = file.Close() && ok;
  if (!ok) DeleteFileW(path.c_str());
  return ok;
}

// After a failed replacement: a file under the target's name again, then no leftovers.
void RecoverAfterFailure(const Installation& install) {
  if (!install.OldAttributes) {  // there was nothing to lose
    DeleteFileW(install.Temporary.c_str());
    return;
  }
  if (!Exists(install.Target)) {
    const bool back =
        Exists(install.Backup) &&
        FileCalls().MoveFileExW(install.Backup.c_str(), install.Target.c_str(), 0) != 0;
    if (!back && install.BytesIfLost) {
      WriteNewFile(install.Target, *install.BytesIfLost, install.Durable);
    }
  }
  if (!Exists(install.Target)) return;  // the temporary file and the backup are the last copies
  DeleteFileW(install.Temporary.c_str());
  DeleteFileW(install.Backup.c_str());
}

}  // namespace

FileResult InstallTemporary(const Installation& install, HeldFileWait& wait) {
  const std::optional<DWORD>& old = install.OldAttributes;
  const bool readOnly = old && (*old & FILE_ATTRIBUTE_READONLY) != 0;
  if (readOnly) SetAttributes(install.Target, *old & ~DWORD{FILE_ATTRIBUTE_READONLY});
  const FileResult installed = ReplaceOrRename(install, wait);
  if (installed) {
    DeleteFileW(install.Backup.c_str());
  } else {
    RecoverAfterFailure(install);
  }
  if (readOnly) {
    const DWORD now = GetFileAttributesW(install.Target.c_str());
    if (now != INVALID_FILE_ATTRIBUTES) {
      SetAttributes(install.Target, now | FILE_ATTRIBUTE_READONLY);
    }
  }
  return installed;
}
