// The file layer on Windows.
#include <windows.h>

#include <optional>
#include <string>
#include <utility>

#include "os/file_system.h"
#include "os/in_place_rewrite.h"
#include "os/temporary_files.h"
#include "os/win32/failed_call.h"
#include "os/win32/file_calls.h"
#include "os/win32/file_identity.h"
#include "os/win32/handle.h"
#include "os/win32/held_files.h"
#include "os/win32/install_file.h"
#include "os/win32/left_copies.h"
#include "os/win32/long_path.h"
#include "os/win32/owners.h"
#include "os/win32/reparse_points.h"

namespace {

// Other programs (the host, a virus scanner, a backup) may hold either file open.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The attributes a new file takes over from the one it replaces when it is written (the
// system's replace keeps them too; a rename would not). Read-only comes back after the
// replacement (win32/install_file.cpp).
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The refusals of the file layer itself, which no system call reports.
constexpr char kNotARegularFile[] = "it is not a plain file (a folder, a device, a program)";
constexpr char kOthersFile[] = "it is another user's file that this user may not write";
constexpr char kSwapped[] = "it was swapped for another file";

// What is known of an opened ordinary file.
struct FileFacts {
  BY_HANDLE_FILE_INFORMATION Info{};
  FileIdentity Identity;
};

// A disk file that is no folder and not the running executable.
std::optional<FileFacts> OrdinaryFileFacts(HANDLE handle) {
  FileFacts facts;
  if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &facts.Info) ||
      !ReadIdentity(handle, facts.Identity)) {
    return std::nullopt;
  }
  if ((facts.Info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
  if (IsRunningExecutable(handle, facts.Identity)) return std::nullopt;
  return facts;
}

// Opens an existing ordinary file; anything else is closed again. A folder cannot be
// opened without backup semantics, so it fails here already, as does a link that may not be
// followed. A file another program holds is waited for a moment.
HANDLE OpenOrdinaryFile(const std::filesystem::path& path, DWORD access, HeldFileWait& wait,
                        DWORD& error, FileFacts* facts = nullptr) {
  HANDLE handle = INVALID_HANDLE_VALUE;
  if (!MayFollowReparsePointAt(path)) {
    error = ERROR_ACCESS_DENIED;
    return handle;
  }
  for (;;) {
    handle = CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) break;
    error = GetLastError();
    if (!wait.PauseAfter(error, path.c_str())) return handle;
  }
  std::optional<FileFacts> ordinary = OrdinaryFileFacts(handle);
  if (!ordinary) {
    CloseHandle(handle);
    error = ERROR_ACCESS_DENIED;
    return INVALID_HANDLE_VALUE;
  }
  if (facts != nullptr) *facts = std::move(*ordinary);
  return handle;
}

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// All of `bytes`; a range another program has locked is waited for a moment.
FileResult WriteAll(HANDLE handle, std::string_view bytes, const std::filesystem::path& path,
                    HeldFileWait& wait, const char* step) {
  while (!bytes.empty()) {
    const DWORD chunk = bytes.size() > (1u << 30) ? (1u << 30) : static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr)) {
      const DWORD error = GetLastError();
      if (wait.PauseAfter(error, path.c_str())) continue;
      return FailedWith(step, error);
    }
    if (written == 0) return FailedWith(step, ERROR_WRITE_FAULT);
    bytes.remove_prefix(written);
  }
  return {};
}

FileResult SeekTo(HANDLE handle, std::size_t offset) {
  LARGE_INTEGER position{};
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (SetFilePointerEx(handle, position, nullptr, FILE_BEGIN) != 0) return {};
  return FailedCall("move in the file");
}

// The file a path names after following a symbolic link, and what is known of it.
struct ResolvedTarget {
  std::filesystem::path Path;      // in the `\\?\` form
  std::optional<FileFacts> Facts;  // none: no file there yet
};

// Nothing where the target cannot be examined or is never written; `failure` then says why.
std::optional<ResolvedTarget> Resolve(const std::filesystem::path& target, FileResult& failure) {
  const DWORD attributes = FileCalls().GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (IsMissing(error)) return ResolvedTarget{target, std::nullopt};
    failure = FailedWith("read the file's attributes", error);
    return std::nullopt;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    failure = FailedAt(kNotARegularFile);
    return std::nullopt;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && !MayFollowReparsePointAt(target)) {
    failure = FailedWith("follow the link to the file", ERROR_ACCESS_DENIED);
    return std::nullopt;
  }
  Handle file(CreateFileW(target.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                          FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.IsOpen()) {
    failure = FailedCall("open the file");
    return std::nullopt;
  }
  std::optional<FileFacts> facts = OrdinaryFileFacts(file.Get());
  if (!facts) {
    failure = FailedAt(kNotARegularFile);
    return std::nullopt;
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return ResolvedTarget{target, std::move(facts)};
  }
  const std::wstring finalPath = FinalPathOf(file.Get());
  if (finalPath.empty()) {
    failure = FailedCall("follow the link to the file");
    return std::nullopt;
  }
  return ResolvedTarget{std::filesystem::path(finalPath), std::move(facts)};
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
  const std::filesystem::path folder = file.parent_path();
  return folder.empty() ? std::filesystem::path(L".") : folder;
}

// Bytes of an old file small enough to keep in memory as the way back (a settings file); none
// for a larger or unreadable one.
std::optional<std::string> SmallFileBytes(const std::filesystem::path& path) {
  constexpr DWORD kLargest = 1u << 16;
  Handle file(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) return std::nullopt;
  std::string bytes(kLargest + 1, '\0');
  DWORD filled = 0;
  for (DWORD got = 1; got != 0 && filled <= kLargest; filled += got) {
    if (!ReadFile(file.Get(), bytes.data() + filled, kLargest + 1 - filled, &got, nullptr)) {
      return std::nullopt;
    }
  }
  if (filled > kLargest) return std::nullopt;
  bytes.resize(filled);
  return bytes;
}

// A free name beside the target for a file of this run (carrying its creator's process id,
// so that a later run can tell when it was abandoned). Every Windows file system takes names
// of up to 255 UTF-16 units: a longer name is shortened to fit, so that a long target name
// still gets its replace by a move.
std::filesystem::path NameBeside(const std::filesystem::path& target) {
  return FolderOf(target) / temporary_files::NameFor(target.filename().native(),
                                                     GetCurrentProcessId(),
                                                     temporary_files::UniqueNumber(), 255);
}

// The bytes in a new file beside the target, with the old file's attributes and creation
// time, put in the target's place.
FileResult WriteThroughTemporary(const std::filesystem::path& target, std::string_view bytes,
                                 const std::optional<FileFacts>& old, const ReplaceOptions& options,
                                 HeldFileWait& wait) {
  Installation install;
  install.Temporary = NameBeside(target).native();
  install.Target = target.native();
  install.Backup = NameBeside(target).native();
  install.Durable = options.Durable;
  std::optional<std::string> oldBytes;
  if (old) {
    install.OldAttributes = old->Info.dwFileAttributes;
    install.BytesIfLost = options.BytesAfterFailedWrite;
    if (!install.BytesIfLost && (oldBytes = SmallFileBytes(target))) {
      install.BytesIfLost = *oldBytes;
    }
  }
  const DWORD attributes = old ? (old->Info.dwFileAttributes & kKeptAttributes) : 0;
  Handle file(CreateFileW(install.Temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.IsOpen()) return FailedCall("create a temporary file");
  FileResult result =
      WriteAll(file.Get(), bytes, install.Temporary, wait, "write the temporary file");
  if (result && options.Durable && !FlushFileBuffers(file.Get())) {
    result = FailedCall("flush the temporary file");
  }
  if (old) SetFileTime(file.Get(), &old->Info.ftCreationTime, nullptr, nullptr);
  if (!file.Close() && result) result = FailedCall("close the temporary file");
  if (!result) {
    DeleteFileW(install.Temporary.c_str());  // the target has not been touched
    return result;
  }
  return InstallTemporary(install, wait);
}

class Win32InPlaceFile final : public InPlaceFile {
 public:
  Win32InPlaceFile(HANDLE handle, const std::filesystem::path& path, HeldFileWait& wait)
      : handle_(handle), path_(path), wait_(wait) {}

  FileResult ReadAll(std::string& bytes, std::size_t limit) override {
    if (FileResult moved = SeekTo(handle_.Get(), 0); !moved) return moved;
    bytes.assign(limit + 1, '\0');
    std::size_t filled = 0;
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(handle_.Get(), bytes.data() + filled, static_cast<DWORD>(bytes.size() - filled),
                    &got, nullptr)) {
        const DWORD error = GetLastError();
        if (wait_.PauseAfter(error, path_.c_str())) continue;
        return FailedWith("read the file back", error);
      }
      if (got == 0) break;
      filled += got;
      if (filled > limit) return FailedWith("read the file back", ERROR_FILE_TOO_LARGE);
    }
    bytes.resize(filled);
    return {};
  }
  FileResult WriteFromStart(std::string_view bytes) override {
    if (FileResult moved = SeekTo(handle_.Get(), 0); !moved) return moved;
    return WriteAll(handle_.Get(), bytes, path_, wait_, "write the file in place");
  }
  FileResult Truncate(std::size_t size) override {
    if (FileResult moved = SeekTo(handle_.Get(), size); !moved) return moved;
    if (SetEndOfFile(handle_.Get())) return {};
    return FailedCall("cut the file to its length");
  }
  FileResult Flush() override {
    if (FlushFileBuffers(handle_.Get()) != 0) return {};
    return FailedCall("flush the file");
  }

 private:
  Handle handle_;
  const std::filesystem::path& path_;
  HeldFileWait& wait_;
};

}  // namespace

RegularFileReader::RegularFileReader(const std::filesystem::path& path) {
  DWORD error = 0;
  HeldFileWait wait;
  const HANDLE handle = OpenOrdinaryFile(ExtendedPath(path), GENERIC_READ, wait, error);
  handle_ = reinterpret_cast<std::intptr_t>(handle);
  if (handle != INVALID_HANDLE_VALUE) {
    outcome_ = Outcome::Opened;
  } else {
    // Held by another program past the wait, or access denied: there, but not readable.
    outcome_ = IsMissing(error) ? Outcome::Missing : Outcome::Unreadable;
    error_ = FailedWith("open the file", error);
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
  // A range that another program has locked is a lock violation, not the end of the data.
  HeldFileWait wait;
  while (!ReadFile(handle, buffer, want, &got, nullptr)) {
    const DWORD error = GetLastError();
    if (error != ERROR_LOCK_VIOLATION || !wait.PauseAfter(ERROR_LOCK_VIOLATION, L"")) {
      error_ = FailedWith("read the file", error);
      return -1;
    }
  }
  return static_cast<std::ptrdiff_t>(got);
}

FileResult ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes,
                               const ReplaceOptions& options) {
  FileResult failure;
  const std::optional<ResolvedTarget> resolved = Resolve(ExtendedPath(target), failure);
  if (!resolved) return failure;
  // Another user's file that this user could not write in place stays theirs: replacing it
  // through the folder would take it from them.
  if (resolved->Facts && !MayReplaceFileAt(resolved->Path)) return FailedAt(kOthersFile);
  // While no file holds the target's name, a killed run's temporary file or backup may be the
  // last copy of it: they wait until a run has put a file there again.
  if (resolved->Facts) {
    RemoveAbandonedCopies(FolderOf(resolved->Path), resolved->Path.filename().native());
  }
  HeldFileWait wait;
  const FileResult throughTemporary =
      WriteThroughTemporary(resolved->Path, bytes, resolved->Facts, options, wait);
  if (throughTemporary || !resolved->Facts) return throughTemporary;  // or nothing in place
  DWORD error = 0;
  FileFacts facts;
  const DWORD access = options.BytesAfterFailedWrite ? GENERIC_WRITE : GENERIC_READ | GENERIC_WRITE;
  const HANDLE handle = OpenOrdinaryFile(resolved->Path, access, wait, error, &facts);
  if (handle == INVALID_HANDLE_VALUE) {
    return FailedWith("open the file to rewrite it in place", error);
  }
  Win32InPlaceFile file(handle, resolved->Path, wait);
  if (!SameFile(facts.Identity, resolved->Facts->Identity)) return FailedAt(kSwapped);
  return RewriteInPlace(file, bytes, options);
}

FileResult RemoveRegularFile(const std::filesystem::path& path) {
  const std::filesystem::path extended = ExtendedPath(path);
  DWORD error = 0;
  HeldFileWait wait;  // never needed: opening for the attributes shares everything
  Handle file(OpenOrdinaryFile(extended, FILE_READ_ATTRIBUTES, wait, error));
  if (!file.IsOpen()) return IsMissing(error) ? FileResult{} : FailedWith("open the file", error);
  file.Close();
  // Nor is another user's file that this user could not write taken from them this way.
  if (!MayReplaceFileAt(extended)) return FailedAt(kOthersFile);
  if (DeleteFileW(extended.c_str()) != 0) return {};
  return FailedCall("remove the file");
}

void RemoveAbandonedTemporariesOf(const std::filesystem::path& target) {
  FileResult ignored;
  const std::optional<ResolvedTarget> resolved = Resolve(ExtendedPath(target), ignored);
  // While no file holds the target's name they may be its last copies.
  if (!resolved || !resolved->Facts) return;
  RemoveAbandonedCopies(FolderOf(resolved->Path), resolved->Path.filename().native());
}

std::vector<std::filesystem::path> LeftCopiesOf(const std::filesystem::path& target) {
  FileResult ignored;
  const std::optional<ResolvedTarget> resolved = Resolve(ExtendedPath(target), ignored);
  if (!resolved) return {};
  return OwnCopies(FolderOf(resolved->Path), resolved->Path.filename().native());
}

std::string FileIdentityOf(const std::filesystem::path& path) {
  DWORD error = 0;
  HeldFileWait wait;  // never needed: opening for the attributes shares everything
  FileFacts facts;
  Handle file(OpenOrdinaryFile(ExtendedPath(path), FILE_READ_ATTRIBUTES, wait, error, &facts));
  if (!file.IsOpen() || !facts.Identity.Known) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text = std::to_string(facts.Identity.Volume) + ":";
  for (const BYTE b : facts.Identity.Id) {
    text += kHex[b >> 4];
    text += kHex[b & 15];
  }
  return text;
}
