// Which call puts the new file in place, and why in this order:
// - An existing file is replaced with ReplaceFileW: the new file takes over the old one's
//   ACL, owner, creation time, attributes and short name, as an editor's save would keep
//   them. Without a backup name, a failure leaves the temporary file under its own name
//   (with ERROR_UNABLE_TO_MOVE_REPLACEMENT the old file may already be gone).
// - Where that fails, and always where there is nothing to replace, the temporary file is
//   renamed over the target through its own handle, with POSIX semantics: the name passes
//   to the new file even while other programs (a virus scanner, an indexer) still hold the
//   old one open with delete sharing; they go on reading the old bytes. The new file then
//   has the attributes and creation time given to it when it was written, and the folder's
//   inherited ACL. Systems before Windows 10 1709 and file systems that refuse it (FAT,
//   some network servers) get the classic MoveFileExW.
// - Where both fail because another program holds the file without sharing its deletion,
//   both are tried again after a pause, for a bounded time (HeldFileWait).
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

bool ReplaceOrRename(const std::wstring& temporary, const std::wstring& target, bool replacing,
                     bool durable, HeldFileWait& wait) {
  constexpr DWORD kReplaceFlags = REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS;
  for (;;) {
    DWORD error = 0;
    if (replacing && FileCalls().ReplaceFileW != nullptr) {
      if (FileCalls().ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, kReplaceFlags,
                                   nullptr, nullptr)) {
        if (durable) FlushFile(target);
        return true;
      }
      error = GetLastError();
    }
    if (RenameOver(temporary, target, durable, error)) return true;
    if (!wait.PauseAfter(error, target.c_str())) return false;
  }
}

}  // namespace

bool InstallTemporary(const std::wstring& temporary, const std::wstring& target,
                      std::optional<DWORD> oldAttributes, bool durable, HeldFileWait& wait) {
  const bool readOnly = oldAttributes && (*oldAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (readOnly) SetAttributes(target, *oldAttributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
  const bool installed =
      ReplaceOrRename(temporary, target, oldAttributes.has_value(), durable, wait);
  if (readOnly) {
    const DWORD now = GetFileAttributesW(target.c_str());
    if (now != INVALID_FILE_ATTRIBUTES) SetAttributes(target, now | FILE_ATTRIBUTE_READONLY);
  }
  return installed;
}
