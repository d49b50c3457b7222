// The file layer on POSIX systems (Linux first: /proc/self/exe, O_TMPFILE).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "os/file_system.h"
#include "os/posix/descriptor_io.h"
#include "os/posix/failed_call.h"
#include "os/posix/file_calls.h"
#include "os/posix/followed_links.h"
#include "os/in_place_rewrite.h"
#include "os/program_file.h"
#include "os/temporary_files.h"

namespace {

// Every open of a file the host or the user may have replaced by a FIFO or a device:
// O_NONBLOCK, so that the open itself never waits (the type is checked right after).
constexpr int kOpenFlags = O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

// The refusals of the file layer itself, which no system call reports.
constexpr char kNotARegularFile[] = "it is not a plain file (a folder, a device, a program)";
constexpr char kOthersFile[] = "it is another user's file that this user may not write";
constexpr char kFolderSwapped[] = "its folder was swapped for another";

// Some file systems (network and FUSE-based ones) give no real identity: a device or an
// inode number of 0 tells nothing, and two such files are never taken for the same one.
bool IdentityKnown(const struct stat& file) { return file.st_dev != 0 && file.st_ino != 0; }

bool SameFile(const struct stat& a, const struct stat& b) {
  return IdentityKnown(a) && IdentityKnown(b) && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool DifferentFiles(const struct stat& a, const struct stat& b) {
  return IdentityKnown(a) && IdentityKnown(b) && !SameFile(a, b);
}

// The running executable and the other files of the installation. They are found by
// identity, not by name: one may have been renamed to the name of either file, or a link may
// lead to it. Their identities are taken once, at the first file that is checked, so that
// protecting a file costs nothing before then.
struct ProgramFileList {
  std::vector<std::filesystem::path> Unexamined{"/proc/self/exe"};
  std::vector<struct stat> Identities;
};

ProgramFileList& ProgramFiles() {
  static ProgramFileList files;
  return files;
}

bool IsProgramFile(const struct stat& file) {
  ProgramFileList& programs = ProgramFiles();
  for (const std::filesystem::path& path : programs.Unexamined) {
    struct stat status {};
    if (FileCalls().fstatat(AT_FDCWD, path.c_str(), &status, 0) == 0 && S_ISREG(status.st_mode)) {
      programs.Identities.push_back(status);
    }
  }
  programs.Unexamined.clear();
  for (const struct stat& program : programs.Identities) {
    if (SameFile(program, file)) return true;
  }
  return false;
}

bool IsOrdinaryFile(const struct stat& status) {
  return S_ISREG(status.st_mode) && !IsProgramFile(status);
}

// An opened descriptor that is not an ordinary file is closed again.
int OpenOrdinaryFile(const char* path, int flags, struct stat& status) {
  int fd = -1;
  // Some network and user-space file systems let a signal interrupt an open.
  do {
    fd = FileCalls().open(path, flags | kOpenFlags, 0);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  if (FileCalls().fstat(fd, &status) == 0 && IsOrdinaryFile(status)) return fd;
  FileCalls().close(fd);
  errno = EINVAL;
  return -1;
}

// The file at the end of a followed path, opened without following any further link. It
// must still be the one the walk found: a name swapped for another file or a link in the
// meantime does not lead elsewhere.
int OpenFollowedFile(const FollowedPath& followed, int flags, struct stat& status) {
  const int fd = OpenOrdinaryFile(followed.Path.c_str(), flags | O_NOFOLLOW, status);
  if (fd < 0 || !followed.Status || !DifferentFiles(status, *followed.Status)) return fd;
  FileCalls().close(fd);
  errno = EINVAL;
  return -1;
}

// The name limit of a folder's file system; asked only once a name has been refused. The
// kernel's own answer (fpathconf and fstatvfs would bring the C library's mount-table parser
// into the static program).
std::size_t LongestName(int folderFd) {
  struct statfs system {};
  if (FileCalls().fstatfs(folderFd, &system) != 0 || system.f_namelen <= 0) return 255;
  return static_cast<std::size_t>(system.f_namelen);
}

// A file found in a folder under a temporary name of a target.
struct LeftFile {
  std::string Name;
  temporary_files::Temporary Temporary;
  struct stat Status;
};

bool Before(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec != b.tv_sec ? a.tv_sec < b.tv_sec : a.tv_nsec < b.tv_nsec;
}

// Made later, or made at the same moment and written later.
bool Newer(const LeftFile& a, const LeftFile& b) {
  if (Before(b.Status.st_ctim, a.Status.st_ctim)) return true;
  if (Before(a.Status.st_ctim, b.Status.st_ctim)) return false;
  return Before(b.Status.st_mtim, a.Status.st_mtim);
}

// The folder of a target, open for the *at calls and for listing.
class Folder {
 public:
  explicit Folder(const std::filesystem::path& path)
      : listing_(FileCalls().opendir(path.empty() ? "." : path.c_str())) {}
  ~Folder() {
    if (listing_ != nullptr) FileCalls().closedir(listing_);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  bool IsOpen() const { return listing_ != nullptr; }
  // Whether the folder opened is the one a walk along the links found (see OpenFollowedFile).
  bool Is(const std::optional<struct stat>& expected) const {
    struct stat status {};
    return !expected ||
           (FileCalls().fstat(Fd(), &status) == 0 && !DifferentFiles(status, *expected));
  }
  int Fd() const { return ::dirfd(listing_); }

  // The running user's own regular files that a replacement of `name` left in the folder
  // (its temporary files). Costs one listing of the folder. Another user's file stays theirs
  // to remove, even under one of the tool's names.
  std::vector<LeftFile> OwnTemporaries(const std::string& name) {
    std::vector<LeftFile> found;
    while (const dirent* entry = FileCalls().readdir(listing_)) {
      const auto temporary = temporary_files::Parse(entry->d_name, name);
      if (!temporary) continue;
      struct stat status {};
      if (FileCalls().fstatat(Fd(), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) continue;
      if (S_ISREG(status.st_mode) && status.st_uid == ::geteuid())
        found.push_back(LeftFile{entry->d_name, *temporary, status});
    }
    return found;
  }

  // Removes the temporary files of `name` that killed runs left behind; runs still writing
  // theirs are never disturbed. A file's age is counted from its last change of status, which
  // its making is: no later write can make it look older than it is, and `touch` cannot set it.
  void RemoveAbandonedTemporaries(const std::string& name) {
    const auto now = std::chrono::system_clock::now();
    for (const LeftFile& file : OwnTemporaries(name)) {
      const auto made = std::chrono::system_clock::from_time_t(file.Status.st_ctime);
      const auto age = std::chrono::duration_cast<std::chrono::seconds>(now - made);
      if (temporary_files::IsAbandoned(file.Temporary, age, CreatorRunning(file.Temporary))) {
        FileCalls().unlinkat(Fd(), file.Name.c_str(), 0);
      }
    }
  }

 private:
  // Only a process that surely does not exist is gone: one of another user (EPERM) or one the
  // system would not say anything about still counts as running.
  static bool CreatorRunning(const temporary_files::Temporary& temporary) {
    if (!temporary.CreatorProcessId) return false;
    const auto pid = static_cast<pid_t>(*temporary.CreatorProcessId);
    if (pid <= 0 || static_cast<std::uint64_t>(pid) != *temporary.CreatorProcessId) return false;
    return FileCalls().kill(pid, 0) == 0 || errno != ESRCH;
  }

  DIR* listing_;
};

// The replaced file's owner and permission bits. Giving a file away is for privileged
// users only; the group alone may still be kept. Set-id bits stay only with their owner.
bool TakeOverOwnerAndMode(int fd, const struct stat& old) {
  // The new file's owner and group are the user's, or the folder's group where the folder
  // passes its own on (set-group-id folders): only what differs is given away.
  struct stat now {};
  if (FileCalls().fstat(fd, &now) != 0) return false;
  if (now.st_uid != old.st_uid || now.st_gid != old.st_gid) {
    if (FileCalls().fchown(fd, old.st_uid, old.st_gid) != 0) {
      (void)FileCalls().fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    }
    if (FileCalls().fstat(fd, &now) != 0) return false;
  }
  mode_t bits = old.st_mode & (now.st_uid == old.st_uid ? 07777 : 01777);
  // A file that could not keep its group gives the group it got instead nothing of what the
  // old group was allowed.
  if (now.st_gid != old.st_gid) bits &= ~mode_t{02070};
  if (FileCalls().fchmod(fd, bits) == 0) return true;
  // File systems that keep no modes of their own (vfat, CIFS without Unix extensions) refuse
  // (ENOTSUP is EOPNOTSUPP on Linux) and show each file with the mount's mode. A new file no
  // more open than the old one will do.
  if (errno != EPERM && errno != ENOTSUP) return false;
  return FileCalls().fstat(fd, &now) == 0 && (now.st_mode & 07777 & ~bits) == 0;
}

// The bytes in a new file beside the target, renamed over it. An anonymous file (where the
// system offers them) gets its name only once it is complete, so a run killed while writing
// leaves nothing behind; a named one carries its creator's process id, so that a later run
// can tell when it was abandoned.
FileResult WriteThroughTemporary(const Folder& folder, const std::string& name,
                                 std::string_view bytes, const std::optional<struct stat>& old,
                                 bool durable, bool anonymous) {
  const auto processId = static_cast<std::uint64_t>(FileCalls().getpid());
  const std::uint64_t unique = temporary_files::UniqueNumber();
  std::string temporaryName = temporary_files::NameFor(name, processId, unique);
  // Gives the temporary file its name; one too long for the file system (a target whose own
  // name is close to the limit) is made once more, shortened to fit.
  const auto giveName = [&](auto create) {
    if (create()) return true;
    if (errno != ENAMETOOLONG) return false;
    temporaryName = temporary_files::NameFor(name, processId, unique, LongestName(folder.Fd()));
    return create();
  };
  int fd = -1;
  if (anonymous) {
#ifdef O_TMPFILE
    fd = FileCalls().openat(folder.Fd(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#endif
  } else {
    giveName([&] {
      fd = FileCalls().openat(folder.Fd(), temporaryName.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      return fd >= 0;
    });
  }
  if (fd < 0) return FailedCall("create a temporary file");
  bool named = !anonymous;
  FileResult result;
  if (!WriteAll(fd, bytes)) {
    result = FailedCall("write the temporary file");
  } else if (old && !TakeOverOwnerAndMode(fd, *old)) {
    result = FailedCall("give the temporary file the owner and mode");
  } else if (durable && FileCalls().fsync(fd) != 0) {
    result = FailedCall("flush the temporary file");
  } else if (anonymous) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    named = giveName([&] {
      return FileCalls().linkat(AT_FDCWD, self.c_str(), folder.Fd(), temporaryName.c_str(),
                                AT_SYMLINK_FOLLOW) == 0;
    });
    if (!named) result = FailedCall("name the temporary file");
  }
  if (FileCalls().close(fd) != 0 && result) result = FailedCall("close the temporary file");
  if (result &&
      FileCalls().renameat(folder.Fd(), temporaryName.c_str(), folder.Fd(), name.c_str()) != 0) {
    result = FailedCall("rename the temporary file over the file");
  }
  if (!result) {
    if (named) FileCalls().unlinkat(folder.Fd(), temporaryName.c_str(), 0);
    return result;
  }
  // Renamed: the file holds the new bytes. A folder that cannot be flushed (EINVAL or ENOTSUP
  // on some network volumes) changes nothing about that, and writing again would not help.
  if (durable) (void)FileCalls().fsync(folder.Fd());
  return result;
}

// Another user's file that this user could not write in place (the check any plain writer
// meets) stays theirs: a rename over it, or its removal, where the folder allows either,
// would take it from its owner. The user's own read-only files are replaced as before.
bool OthersFileNotWritable(const std::filesystem::path& path, const struct stat& status) {
  return status.st_uid != ::geteuid() &&
         FileCalls().faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0;
}

// Opens a file for reading; a link is followed only where the rule for shared folders
// allows. -1 with errno set when that fails.
int OpenForReading(const std::filesystem::path& path, struct stat& status) {
  int fd = OpenOrdinaryFile(path.c_str(), O_RDONLY | O_NOFOLLOW, status);
  if (fd < 0 && errno == ELOOP) {
    const std::optional<FollowedPath> followed = FollowLinks(path);
    if (followed) {
      fd = OpenFollowedFile(*followed, O_RDONLY, status);
    } else {
      errno = EACCES;
    }
  }
  return fd;
}

class PosixInPlaceFile final : public InPlaceFile {
 public:
  explicit PosixInPlaceFile(int fd) : fd_(fd) {}
  ~PosixInPlaceFile() override { FileCalls().close(fd_); }
  PosixInPlaceFile(const PosixInPlaceFile&) = delete;
  PosixInPlaceFile& operator=(const PosixInPlaceFile&) = delete;

  FileResult ReadAll(std::string& bytes, std::size_t limit) override {
    if (ReadWholeFile(fd_, bytes, limit)) return {};
    return FailedCall("read the file back");
  }
  FileResult WriteFromStart(std::string_view bytes) override {
    if (WriteAll(fd_, bytes, 0)) return {};
    return FailedCall("write the file in place");
  }
  FileResult Truncate(std::size_t size) override {
    if (FileCalls().ftruncate(fd_, static_cast<off_t>(size)) == 0) return {};
    return FailedCall("cut the file to its length");
  }
  FileResult Flush() override {
    if (FileCalls().fsync(fd_) == 0) return {};
    return FailedCall("flush the file");
  }

 private:
  int fd_;
};

}  // namespace

RegularFileReader::RegularFileReader(const std::filesystem::path& path) {
  struct stat status {};
  const int fd = OpenForReading(path, status);
  handle_ = fd;
  if (fd >= 0) {
    outcome_ = Outcome::Opened;
  } else {
    error_ = FailedCall("open the file");
    outcome_ = errno == ENOENT || errno == ENOTDIR ? Outcome::Missing : Outcome::Unreadable;
  }
}

RegularFileReader::~RegularFileReader() {
  if (handle_ >= 0) FileCalls().close(static_cast<int>(handle_));
}

std::ptrdiff_t RegularFileReader::Read(char* buffer, std::size_t size) {
  if (handle_ < 0) return -1;
  for (;;) {
    const ssize_t got = FileCalls().read(static_cast<int>(handle_), buffer, size);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) error_ = FailedCall("read the file");
    return got;
  }
}

namespace {

// Why the file found at the end of `followed` is never written, where it is not; a success
// when there is nothing there or it may be written.
FileResult RefusalOf(const FollowedPath& followed) {
  if (!followed.Status) return {};
  if (!IsOrdinaryFile(*followed.Status)) return FailedAt(kNotARegularFile);
  if (OthersFileNotWritable(followed.Path, *followed.Status)) return FailedAt(kOthersFile);
  return {};
}

// The bytes through a temporary file beside the target: an anonymous one first, then a named
// one. The last failure where neither could be put in place.
FileResult ReplaceThroughTemporary(const FollowedPath& resolved, std::string_view bytes,
                                   const ReplaceOptions& options) {
  const std::string name = resolved.Path.filename().native();
  Folder folder(resolved.Path.parent_path());
  if (!folder.IsOpen()) return FailedCall("open the folder");
  if (!folder.Is(resolved.Folder)) return FailedAt(kFolderSwapped);
  // While no file holds the name, what is left of it may be its last copy.
  if (resolved.Status) folder.RemoveAbandonedTemporaries(name);
  FileResult result;
  for (const bool anonymous : {true, false}) {
    result =
        WriteThroughTemporary(folder, name, bytes, resolved.Status, options.Durable, anonymous);
    if (result) break;
  }
  return result;
}

}  // namespace

FileResult ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes,
                               const ReplaceOptions& options) {
  const std::optional<FollowedPath> resolved = FollowLinks(target);
  if (!resolved) return FailedCall("follow the links to the file");
  if (FileResult refused = RefusalOf(*resolved); !refused) return refused;
  const FileResult throughTemporary = ReplaceThroughTemporary(*resolved, bytes, options);
  if (throughTemporary || throughTemporary.FailedStep == kFolderSwapped) return throughTemporary;
  if (!resolved->Status) return throughTemporary;  // nothing to rewrite in place
  struct stat status {};
  const int access = options.BytesAfterFailedWrite ? O_WRONLY : O_RDWR;
  const int fd = OpenFollowedFile(*resolved, access, status);
  if (fd < 0) return FailedCall("open the file to rewrite it in place");
  PosixInPlaceFile file(fd);
  return RewriteInPlace(file, bytes, options);
}

FileResult RemoveRegularFile(const std::filesystem::path& path) {
  const std::optional<FollowedPath> followed = FollowLinks(path);
  if (!followed) return FailedCall("follow the links to the file");
  if (FileResult refused = RefusalOf(*followed); !refused) return refused;
  if (!followed->Status) return {};
  if (FileCalls().unlinkat(AT_FDCWD, path.c_str(), 0) == 0) return {};
  return FailedCall("remove the file");
}

void RemoveAbandonedTemporariesOf(const std::filesystem::path& target) {
  const std::optional<FollowedPath> resolved = FollowLinks(target);
  if (!resolved || !resolved->Status) return;
  Folder folder(resolved->Path.parent_path());
  if (folder.IsOpen() && folder.Is(resolved->Folder)) {
    folder.RemoveAbandonedTemporaries(resolved->Path.filename().native());
  }
}

std::vector<std::filesystem::path> LeftCopiesOf(const std::filesystem::path& target) {
  const std::optional<FollowedPath> resolved = FollowLinks(target);
  if (!resolved) return {};
  const std::filesystem::path folderPath = resolved->Path.parent_path();
  Folder folder(folderPath);
  if (!folder.IsOpen() || !folder.Is(resolved->Folder)) return {};
  std::vector<LeftFile> left = folder.OwnTemporaries(resolved->Path.filename().native());
  std::sort(left.begin(), left.end(), Newer);
  std::vector<std::filesystem::path> copies;
  for (const LeftFile& file : left) copies.push_back(folderPath / file.Name);
  return copies;
}

std::string FileIdentityOf(const std::filesystem::path& path) {
  struct stat status {};
  const int fd = OpenForReading(path, status);
  if (fd < 0) return {};
  FileCalls().close(fd);
  if (!IdentityKnown(status)) return {};
  return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

void ProtectProgramFile(const std::filesystem::path& path) {
  ProgramFiles().Unexamined.push_back(path);
}
