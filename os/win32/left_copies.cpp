// When a left copy was made: its last write tells it for a temporary file, written right
// after it was made, but not for a backup, which is the old file renamed and keeps the old
// file's last-write and creation times. A rename updates the change time (FILE_BASIC_INFO's
// ChangeTime, also on network shares; under Wine the Linux ctime, which a rename updates
// too), so a file counts as made at the later of the two. File systems without a change
// time (FAT) give 0 or the last write: there a backup's age is its last write, but it exists
// only while its creator's ReplaceFileW has moved the old file away, when no file holds
// the target's name and nothing is removed. Stamping the backup instead would take a write
// to the user's old file before every replace, and it could not be done inside
// ReplaceFileW, between its two renames, where a backup is made.
#include "os/win32/left_copies.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <optional>

#include "os/temporary_files.h"
#include "os/win32/file_calls.h"
#include "os/win32/handle.h"
#include "os/win32/owners.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

struct LeftCopy {
  std::filesystem::path Path;
  temporary_files::Temporary Name;
  LONGLONG Written = 0;  // 100 ns units since 1601, as FILETIME
  LONGLONG Made = 0;
};

// A process that exists but may not be opened (another user's) is alive.
bool CreatorRunning(const temporary_files::Temporary& temporary) {
  if (!temporary.CreatorProcessId || *temporary.CreatorProcessId > 0xFFFFFFFFull) return false;
  const HANDLE process =
      OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(*temporary.CreatorProcessId));
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

// The file at copy.Path, opened with `access` when it is a regular file of the user's (no
// link: the link itself is opened and refused), with its times read into `copy`.
Handle OpenOwnCopy(LeftCopy& copy, DWORD access) {
  Handle file(CreateFileW(copy.Path.c_str(), access | READ_CONTROL | FILE_READ_ATTRIBUTES,
                          kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                          nullptr));
  FILE_BASIC_INFO basic{};
  constexpr DWORD kNotRegular = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  if (!file.IsOpen() || GetFileType(file.Get()) != FILE_TYPE_DISK ||
      !FileCalls().GetFileInformationByHandleEx(file.Get(), FileBasicInfo, &basic, sizeof basic) ||
      (basic.FileAttributes & kNotRegular) != 0 || !OpenFileIsRunners(file.Get())) {
    return Handle();
  }
  copy.Written = basic.LastWriteTime.QuadPart;
  copy.Made = std::max(copy.Written, basic.ChangeTime.QuadPart);
  return file;
}

// The names of `targetName`'s temporary files and backups in `folder`. The pattern takes
// the start of the target's name only, so that names shortened to fit the name limit
// (which keep at least its first 200 units) are found too.
std::vector<LeftCopy> CopiesNamed(const std::filesystem::path& folder,
                                  const std::wstring& targetName) {
  std::vector<LeftCopy> copies;
  const std::wstring pattern = (folder / (targetName.substr(0, 200) + L"*.tmp")).native();
  WIN32_FIND_DATAW entry{};
  const HANDLE search =
      FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return copies;
  do {
    const auto name = temporary_files::Parse(entry.cFileName, targetName);
    if (name) copies.push_back(LeftCopy{folder / entry.cFileName, *name});
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return copies;
}

bool HoldsFile(const std::filesystem::path& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::chrono::seconds AgeAt(LONGLONG now, LONGLONG made) {
  return std::chrono::seconds(made > now ? 0 : (now - made) / 10000000);
}

}  // namespace

void RemoveAbandonedCopies(const std::filesystem::path& folder, const std::wstring& targetName) {
  FILETIME nowTime{};
  GetSystemTimeAsFileTime(&nowTime);
  const LONGLONG now = static_cast<LONGLONG>(
      (static_cast<ULONGLONG>(nowTime.dwHighDateTime) << 32) | nowTime.dwLowDateTime);
  const std::filesystem::path target = folder / targetName;
  for (LeftCopy& copy : CopiesNamed(folder, targetName)) {
    // A file still open for writing (without delete sharing) is not opened here.
    Handle file = OpenOwnCopy(copy, DELETE);
    if (!file.IsOpen() || !temporary_files::IsAbandoned(copy.Name, AgeAt(now, copy.Made),
                                                        CreatorRunning(copy.Name))) {
      continue;
    }
    // The target may have been moved away since the caller looked (a backup being made).
    if (!HoldsFile(target)) return;
    // Through the handle that was checked: never a file put under the name meanwhile.
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(file.Get(), FileDispositionInfo, &disposition, sizeof disposition);
  }
}

std::vector<std::filesystem::path> OwnCopies(const std::filesystem::path& folder,
                                             const std::wstring& targetName) {
  std::vector<LeftCopy> own;
  for (LeftCopy& copy : CopiesNamed(folder, targetName)) {
    if (OpenOwnCopy(copy, 0).IsOpen()) own.push_back(copy);
  }
  std::stable_sort(own.begin(), own.end(),
                   [](const LeftCopy& a, const LeftCopy& b) { return a.Written > b.Written; });
  std::vector<std::filesystem::path> paths;
  for (const LeftCopy& copy : own) paths.push_back(copy.Path);
  return paths;
}
