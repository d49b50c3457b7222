// The file layer on Windows.
#include <windows.h>

#include <chrono>
#include <optional>
#include <string>

#include "os/file_system.h"
#include "os/in_place_rewrite.h"
#include "os/temporary_files.h"

namespace {

// Other programs (the host, a virus scanner, a backup) may hold either file open.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The attributes a replaced file hands on; read-only is not among them: such a file is not
// replaced at all.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

struct Identity {
  DWORD Volume = 0;
  DWORD IndexHigh = 0;
  DWORD IndexLow = 0;
  bool operator==(const Identity&) const = default;
};

Identity IdentityOf(const BY_HANDLE_FILE_INFORMATION& info) {
  return Identity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

class Handle {
 public:
  explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
  ~Handle() {
    if (IsOpen()) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }
  bool Close() {
    const bool closed = CloseHandle(handle_) != 0;
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

// The running executable is found by identity, not by name: it may have been renamed to
// the name of either file.
bool IsRunningExecutable(const Identity& file) {
  static const std::optional<Identity> executable = []() -> std::optional<Identity> {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
      const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
      if (length == 0) return std::nullopt;
      if (length < path.size()) {
        path.resize(length);
        break;
      }
      path.resize(path.size() * 2);
    }
    Handle exe(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!exe.IsOpen() || !GetFileInformationByHandle(exe.Get(), &info)) return std::nullopt;
    return IdentityOf(info);
  }();
  return executable && *executable == file;
}

// A disk file that is no folder and not the running executable.
std::optional<BY_HANDLE_FILE_INFORMATION> OrdinaryFileInfo(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info)) {
    return std::nullopt;
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
  if (IsRunningExecutable(IdentityOf(info))) return std::nullopt;
  return info;
}

// Opens an existing ordinary file; anything else is closed again. A folder cannot be
// opened without backup semantics, so it fails here already.
HANDLE OpenOrdinaryFile(const std::filesystem::path& path, DWORD access, DWORD& error,
                        BY_HANDLE_FILE_INFORMATION* info = nullptr) {
  HANDLE handle = CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return handle;
  }
  const std::optional<BY_HANDLE_FILE_INFORMATION> ordinary = OrdinaryFileInfo(handle);
  if (!ordinary) {
    CloseHandle(handle);
    error = ERROR_ACCESS_DENIED;
    return INVALID_HANDLE_VALUE;
  }
  if (info != nullptr) *info = *ordinary;
  return handle;
}

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool WriteAll(HANDLE handle, std::string_view bytes) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

bool SeekTo(HANDLE handle, std::size_t offset) {
  LARGE_INTEGER position{};
  position.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(handle, position, nullptr, FILE_BEGIN) != 0;
}

// The file a path names after following a symbolic link, and what is known of it.
struct ResolvedTarget {
  std::filesystem::path Path;
  std::optional<BY_HANDLE_FILE_INFORMATION> Info;  // none: no file there yet
};

std::optional<ResolvedTarget> Resolve(const std::filesystem::path& target) {
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (!IsMissing(GetLastError())) return std::nullopt;
    return ResolvedTarget{target, std::nullopt};
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
  Handle file(CreateFileW(target.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                          FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.IsOpen()) return std::nullopt;
  const std::optional<BY_HANDLE_FILE_INFORMATION> info = OrdinaryFileInfo(file.Get());
  if (!info) return std::nullopt;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return ResolvedTarget{target, info};
  std::wstring finalPath(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(file.Get(), finalPath.data(),
                                                   static_cast<DWORD>(finalPath.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return std::nullopt;
    if (length < finalPath.size()) {
      finalPath.resize(length);
      break;
    }
    finalPath.resize(length + 1);
  }
  return ResolvedTarget{std::filesystem::path(finalPath), info};
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
  const std::filesystem::path folder = file.parent_path();
  return folder.empty() ? std::filesystem::path(L".") : folder;
}

bool CreatorRunning(const temporary_files::Temporary& temporary) {
  if (!temporary.CreatorProcessId || *temporary.CreatorProcessId > 0xFFFFFFFFull) return false;
  const HANDLE process =
      OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(*temporary.CreatorProcessId));
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
}

// Removes the temporary files of `name` that killed runs left behind. Costs one listing
// of the matching names; a file still open for writing cannot be deleted anyway.
void RemoveAbandonedTemporaries(const std::filesystem::path& folder, const std::wstring& name) {
  const std::wstring pattern = (folder / (name + L".*.tmp")).native();
  WIN32_FIND_DATAW entry{};
  const HANDLE search =
      FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return;
  FILETIME nowTime{};
  GetSystemTimeAsFileTime(&nowTime);
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    const auto temporary = temporary_files::Parse(entry.cFileName, name);
    if (!temporary) continue;
    const unsigned long long now = ticks(nowTime);
    const unsigned long long written = ticks(entry.ftLastWriteTime);
    const std::chrono::seconds age(
        written > now ? 0 : static_cast<long long>((now - written) / 10000000ull));
    if (temporary_files::IsAbandoned(*temporary, age, CreatorRunning(*temporary))) {
      DeleteFileW((folder / entry.cFileName).c_str());
    }
  } while (FindNextFileW(search, &entry));
  FindClose(search);
}

// The bytes in a new file beside the target (carrying its creator's process id, so that a
// later run can tell when it was abandoned), moved over the target.
bool WriteThroughTemporary(const std::filesystem::path& target, std::string_view bytes,
                           const std::optional<BY_HANDLE_FILE_INFORMATION>& old, bool durable) {
  // Every Windows file system takes names of up to 255 UTF-16 units: a longer temporary name
  // is shortened to fit, so that a long target name still gets its replace by a move.
  const std::filesystem::path temporary =
      FolderOf(target) / temporary_files::NameFor(target.filename().native(),
                                                  GetCurrentProcessId(),
                                                  temporary_files::UniqueNumber(), 255);
  const DWORD attributes = old ? (old->dwFileAttributes & kKeptAttributes) : 0;
  Handle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) return false;
  bool ok = WriteAll(file.Get(), bytes) && (!durable || FlushFileBuffers(file.Get()));
  ok = file.Close() && ok;
  const DWORD move = MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : 0);
  ok = ok && MoveFileExW(temporary.c_str(), target.c_str(), move);
  if (!ok) DeleteFileW(temporary.c_str());
  return ok;
}

class Win32InPlaceFile final : public InPlaceFile {
 public:
  explicit Win32InPlaceFile(HANDLE handle) : handle_(handle) {}

  bool ReadAll(std::string& bytes, std::size_t limit) override {
    if (!SeekTo(handle_.Get(), 0)) return false;
    bytes.assign(limit + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(handle_.Get(), bytes.data() + filled, static_cast<DWORD>(bytes.size() - filled),
                    &got, nullptr)) {
        return false;
      }
      if (got == 0) break;
      filled += got;
      if (filled > limit) return false;
    }
    bytes.resize(filled);
    return true;
  }
  bool WriteFromStart(std::string_view bytes) override {
    return SeekTo(handle_.Get(), 0) && WriteAll(handle_.Get(), bytes);
  }
  bool Truncate(std::size_t size) override {
    return SeekTo(handle_.Get(), size) && SetEndOfFile(handle_.Get());
  }
  bool Flush() override { return FlushFileBuffers(handle_.Get()) != 0; }

 private:
  Handle handle_;
};

}  // namespace

RegularFileReader::RegularFileReader(const std::filesystem::path& path) {
  DWORD error = 0;
  const HANDLE handle = OpenOrdinaryFile(path, GENERIC_READ, error);
  handle_ = reinterpret_cast<std::intptr_t>(handle);
  if (handle != INVALID_HANDLE_VALUE) {
    outcome_ = Outcome::Opened;
  } else {
    outcome_ = IsMissing(error) ? Outcome::Missing : Outcome::Unreadable;
  }
}

RegularFileReader::~RegularFileReader() {
  const HANDLE handle = reinterpret_cast<HANDLE>(handle_);
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
}

std::ptrdiff_t RegularFileReader::Read(char* buffer, std::size_t size) {
  const HANDLE handle = reinterpret_cast<HANDLE>(handle_);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  DWORD got = 0;
  const DWORD want = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
  if (!ReadFile(handle, buffer, want, &got, nullptr)) return -1;
  return static_cast<std::ptrdiff_t>(got);
}

bool ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes,
                         const ReplaceOptions& options) {
  const std::optional<ResolvedTarget> resolved = Resolve(target);
  if (!resolved) return false;
  RemoveAbandonedTemporaries(FolderOf(resolved->Path), resolved->Path.filename().native());
  if (WriteThroughTemporary(resolved->Path, bytes, resolved->Info, options.Durable)) return true;
  if (!resolved->Info) return false;  // nothing to rewrite in place
  DWORD error = 0;
  BY_HANDLE_FILE_INFORMATION info{};
  const DWORD access = options.BytesAfterFailedWrite ? GENERIC_WRITE : GENERIC_READ | GENERIC_WRITE;
  const HANDLE handle = OpenOrdinaryFile(resolved->Path, access, error, &info);
  if (handle == INVALID_HANDLE_VALUE) return false;
  Win32InPlaceFile file(handle);
  if (!(IdentityOf(info) == IdentityOf(*resolved->Info))) return false;
  return RewriteInPlace(file, bytes, options);
}

bool RemoveRegularFile(const std::filesystem::path& path) {
  DWORD error = 0;
  Handle file(OpenOrdinaryFile(path, FILE_READ_ATTRIBUTES, error));
  if (!file.IsOpen()) return IsMissing(error);
  file.Close();
  return DeleteFileW(path.c_str()) != 0;
}
