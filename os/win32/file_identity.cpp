#include "os/win32/file_identity.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "os/win32/file_calls.h"
#include "os/win32/handle.h"
#include "os/win32/module_path.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool AllBytes(const std::array<BYTE, 16>& id, std::size_t from, std::size_t to, BYTE value) {
  return std::all_of(id.begin() + from, id.begin() + to, [value](BYTE b) { return b == value; });
}

std::optional<FileIdentity> OpenAndIdentify(const std::wstring& path) {
  Handle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  FileIdentity identity;
  if (!file.IsOpen() || !ReadIdentity(file.Get(), identity)) return std::nullopt;
  identity.FinalPath = FinalPathOf(file.Get());
  return identity;
}

// Taken from two opens of the executable: ids that differ between them are not known.
std::optional<FileIdentity> TakeExecutableIdentity() {
  const std::wstring path = RunningModulePath();
  if (path.empty()) return std::nullopt;
  std::optional<FileIdentity> first = OpenAndIdentify(path);
  const std::optional<FileIdentity> second = OpenAndIdentify(path);
  if (!first || !second) return std::nullopt;
  if (first->Volume != second->Volume || first->Id != second->Id) first->Known = false;
  return first;
}

std::optional<FileIdentity>& ExecutableIdentity() {
  static std::optional<FileIdentity> identity;
  static bool taken = false;
  if (!taken) {
    identity = TakeExecutableIdentity();
    taken = true;
  }
  return identity;
}

}  // namespace

// 0 and all ones are what file systems without ids report; the 64-bit index of the older
// question (GetFileInformationByHandle) reports all ones in its own 64 bits, the low half.
bool TrustworthyId(ULONGLONG volume, const std::array<BYTE, 16>& id) {
  if (volume == 0 || AllBytes(id, 0, 16, 0) || AllBytes(id, 0, 16, 0xFF)) return false;
  return !(AllBytes(id, 0, 8, 0xFF) && AllBytes(id, 8, 16, 0));
}

std::wstring FinalPathOf(HANDLE file) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(
        file, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(length + 1);
  }
}

bool ReadIdentity(HANDLE file, FileIdentity& identity) {
  FILE_ID_INFO wide{};
  if (FileCalls().GetFileInformationByHandleEx(file, FileIdInfo, &wide, sizeof wide)) {
    identity.Volume = wide.VolumeSerialNumber;
    std::memcpy(identity.Id.data(), wide.FileId.Identifier, identity.Id.size());
  } else {
    // Before Windows 8, and file systems that do not answer the newer question.
    BY_HANDLE_FILE_INFORMATION info{};
    if (!FileCalls().GetFileInformationByHandle(file, &info)) return false;
    const ULONGLONG index = (ULONGLONG{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    identity.Volume = info.dwVolumeSerialNumber;
    identity.Id.fill(0);
    std::memcpy(identity.Id.data(), &index, sizeof index);
  }
  identity.Known = TrustworthyId(identity.Volume, identity.Id);
  if (!identity.Known) identity.FinalPath = FinalPathOf(file);
  return true;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
  if (a.Known && b.Known) return a.Volume == b.Volume && a.Id == b.Id;
  if (a.FinalPath.empty() || b.FinalPath.empty()) return false;
  return CompareStringOrdinal(a.FinalPath.data(), static_cast<int>(a.FinalPath.size()),
                              b.FinalPath.data(), static_cast<int>(b.FinalPath.size()),
                              TRUE) == CSTR_EQUAL;
}

bool IsRunningExecutable(HANDLE file, const FileIdentity& identity) {
  const std::optional<FileIdentity>& executable = ExecutableIdentity();
  if (!executable) return false;
  if (executable->Known && identity.Known) return SameFile(*executable, identity);
  FileIdentity byPath = identity;
  if (byPath.FinalPath.empty()) byPath.FinalPath = FinalPathOf(file);
  byPath.Known = false;
  return SameFile(*executable, byPath);
}

void ForgetRunningExecutable() { ExecutableIdentity() = TakeExecutableIdentity(); }
