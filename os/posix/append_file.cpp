#include "os/append_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "os/posix/descriptor_io.h"
#include "os/posix/file_calls.h"

namespace {

// O_APPEND: the system puts each write at the file's end as it is then, whoever else
// appends. O_NONBLOCK: a FIFO put there never makes the open wait. A new file gets the
// permissions of any new file of the user's (0666 less the umask).
constexpr int kAppendFlags = O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
constexpr std::chrono::seconds kLockWait{2};

// One name alone: a second one (a hard link) may be any other file of the user's, which the
// lines would change too.
bool IsOwnRegularFile(const struct stat& status) {
  return S_ISREG(status.st_mode) && status.st_uid == ::geteuid() && status.st_nlink == 1;
}

// Read and write where the user may read the file, else write alone. Anything but the
// user's own regular file is not even opened (a device may act on an open); what the name
// holds by then is checked again on the opened file.
int OpenForAppending(const char* path, bool& readable) {
  struct stat status {};
  if (FileCalls().fstatat(AT_FDCWD, path, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
      !IsOwnRegularFile(status)) {
    return -1;
  }
  for (const int access : {O_RDWR, O_WRONLY}) {
    int fd = -1;
    do {
      fd = FileCalls().open(path, access | kAppendFlags, 0666);
    } while (fd < 0 && errno == EINTR);
    readable = access == O_RDWR;
    if (fd >= 0 || errno != EACCES) return fd;
  }
  return -1;
}

}  // namespace

AppendFile::AppendFile(const std::filesystem::path& path) {
  bool readable = false;
  int fd = OpenForAppending(path.c_str(), readable);
  struct stat status {};
  if (fd >= 0 && (FileCalls().fstat(fd, &status) != 0 || !IsOwnRegularFile(status))) {
    FileCalls().close(fd);
    fd = -1;
  }
  handle_ = fd;
  readable_ = fd >= 0 && readable;
}

AppendFile::~AppendFile() {
  if (!IsOpen()) return;
  if (locked_) FileCalls().flock(static_cast<int>(handle_), LOCK_UN);  // (the close would too)
  FileCalls().close(static_cast<int>(handle_));
}

bool AppendFile::IsOpen() const { return handle_ >= 0; }

bool AppendFile::Lock() {
  if (!IsOpen()) return false;
  const auto until = std::chrono::steady_clock::now() + kLockWait;
  for (;;) {
    if (FileCalls().flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB) == 0) return locked_ = true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

bool AppendFile::Append(std::string_view bytes) {
  if (!IsOpen()) return false;
  // One write, never continued: a rest written later could land after another run's line.
  ssize_t written = -1;
  do {
    written = FileCalls().write(static_cast<int>(handle_), bytes.data(), bytes.size());
  } while (written < 0 && errno == EINTR);
  return written >= 0 && static_cast<std::size_t>(written) == bytes.size();
}

std::optional<std::uint64_t> AppendFile::Size() {
  struct stat status {};
  if (!IsOpen() || FileCalls().fstat(static_cast<int>(handle_), &status) != 0) return {};
  return static_cast<std::uint64_t>(status.st_size);
}

bool AppendFile::ReadFrom(std::uint64_t offset, std::string& bytes, std::size_t limit) {
  if (!readable_) return false;
  bytes.assign(limit, '\0');
  std::size_t filled = 0;
  while (filled < limit) {
    const ssize_t got = FileCalls().pread(static_cast<int>(handle_), bytes.data() + filled,
                                          limit - filled, static_cast<off_t>(offset + filled));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  bytes.resize(filled);
  return true;
}

bool AppendFile::Rewrite(std::string_view bytes) {
  if (!readable_) return false;
  const int fd = static_cast<int>(handle_);
  // Linux puts every write of an appending descriptor at the end, even one at an offset.
  const int flags = FileCalls().fcntl(fd, F_GETFL, 0);
  if (flags < 0 || FileCalls().fcntl(fd, F_SETFL, flags & ~O_APPEND) != 0) return false;
  const bool rewritten =
      WriteAll(fd, bytes, 0) && FileCalls().ftruncate(fd, static_cast<off_t>(bytes.size())) == 0;
  return FileCalls().fcntl(fd, F_SETFL, flags) == 0 && rewritten;
}
