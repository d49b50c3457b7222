#include "os/append_file.h"

#include <windows.h>

#include <aclapi.h>

#include "os/win32/file_calls.h"
#include "os/win32/handle.h"
#include "os/win32/long_path.h"
#include "os/win32/owners.h"

namespace {

// Other programs (a virus scanner, a backup, an editor) may hold the log open.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A lock on Windows keeps every other handle from the bytes it covers, so the runs lock one
// byte far past the end of any log, which no read or write reaches.
constexpr std::uint64_t kLockedByte = 0x7FFFFFFFFFFFFFFE;
constexpr ULONGLONG kLockWaitMs = 2000;

HANDLE FileOf(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return at;
}

// A disk file that is no link (reparse point) nor folder, of the running user's, with one
// name alone: a second one (a hard link) may be any other file of the user's.
bool IsOwnDiskFile(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION info{};
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (GetFileType(file) != FILE_TYPE_DISK || !FileCalls().GetFileInformationByHandle(file, &info) ||
      info.nNumberOfLinks != 1 ||
      (info.dwFileAttributes &
       (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0 ||
      !FileCalls().GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag) ||
      tag.ReparseTag != 0) {
    return false;
  }
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (FileCalls().GetSecurityInfo(file, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                                  nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  // A file system without owners (FAT) gives none: there, every file is the user's.
  const bool own = owner == nullptr || OwnerIsRunner(owner);
  LocalFree(descriptor);
  return own;
}

// Append access without write access: the system puts every write at the end as it is
// then, whoever else appends. A link is opened itself, to be refused.
HANDLE OpenForAppending(const std::filesystem::path& path, bool& readable) {
  const std::wstring name = ExtendedPath(path).native();
  for (const DWORD read : {DWORD{FILE_READ_DATA}, DWORD{0}}) {
    const HANDLE file = CreateFileW(
        name.c_str(), FILE_APPEND_DATA | read | FILE_READ_ATTRIBUTES | READ_CONTROL, kShareAll,
        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    readable = read != 0;
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_ACCESS_DENIED) return file;
  }
  return INVALID_HANDLE_VALUE;
}

}  // namespace

AppendFile::AppendFile(const std::filesystem::path& path) {
  bool readable = false;
  HANDLE file = OpenForAppending(path, readable);
  if (file != INVALID_HANDLE_VALUE && !IsOwnDiskFile(file)) {
    CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
  readable_ = file != INVALID_HANDLE_VALUE && readable;
}

AppendFile::~AppendFile() {
  if (!IsOpen()) return;
  // A lock the handle still holds at its close may stay a while longer.
  OVERLAPPED at = At(kLockedByte);
  if (locked_) UnlockFileEx(FileOf(handle_), 0, 1, 0, &at);
  CloseHandle(FileOf(handle_));
}

bool AppendFile::IsOpen() const { return FileOf(handle_) != INVALID_HANDLE_VALUE; }

bool AppendFile::Lock() {
  if (!IsOpen()) return false;
  const ULONGLONG until = GetTickCount64() + kLockWaitMs;
  for (;;) {
    OVERLAPPED at = At(kLockedByte);
    if (LockFileEx(FileOf(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                   &at)) {
      return locked_ = true;
    }
    if (GetLastError() != ERROR_LOCK_VIOLATION || GetTickCount64() >= until) return false;
    Sleep(1);
  }
}

bool AppendFile::Append(std::string_view bytes) {
  DWORD written = 0;
  return IsOpen() &&
         WriteFile(FileOf(handle_), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) &&
         written == bytes.size();
}

std::optional<std::uint64_t> AppendFile::Size() {
  LARGE_INTEGER size{};
  if (!IsOpen() || !GetFileSizeEx(FileOf(handle_), &size)) return {};
  return static_cast<std::uint64_t>(size.QuadPart);
}

bool AppendFile::ReadFrom(std::uint64_t offset, std::string& bytes, std::size_t limit) {
  if (!readable_) return false;
  bytes.assign(limit, '\0');
  std::size_t filled = 0;
  while (filled < limit) {
    OVERLAPPED at = At(offset + filled);
    DWORD got = 0;
    if (!ReadFile(FileOf(handle_), bytes.data() + filled, static_cast<DWORD>(limit - filled), &got,
                  &at)) {
      if (GetLastError() != ERROR_HANDLE_EOF) return false;
      break;
    }
    if (got == 0) break;
    filled += got;
  }
  bytes.resize(filled);
  return true;
}

bool AppendFile::Rewrite(std::string_view bytes) {
  if (!readable_) return false;
  // The appending handle writes at the end alone; a second one to the same file writes
  // from the start.
  Handle file(ReOpenFile(FileOf(handle_), FILE_WRITE_DATA, kShareAll, 0));
  if (!file.IsOpen()) return false;
  OVERLAPPED start = At(0);
  DWORD written = 0;
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(bytes.size());
  return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, &start) &&
         written == bytes.size() && SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) &&
         SetEndOfFile(file.Get());
}
