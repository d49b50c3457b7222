#include "os/posix/descriptor_io.h"

#include "os/posix/file_calls.h"

#include <unistd.h>

#include <cerrno>

namespace {

// Up to `length` bytes from `offset` on, fewer only where the file ends: how many, or -1
// after a read error. The one read loop of the file layer and the Linux programs.
ssize_t ReadUpTo(int fd, char* buffer, std::size_t length, off_t offset) {
  std::size_t filled = 0;
  while (filled < length) {
    const ssize_t got = FileCalls().pread(fd, buffer + filled, length - filled,
                                          offset + static_cast<off_t>(filled));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  return static_cast<ssize_t>(filled);
}

}  // namespace

bool WriteAll(int fd, std::string_view bytes, off_t offset) {
  while (!bytes.empty()) {
    const ssize_t done = offset < 0 ? FileCalls().write(fd, bytes.data(), bytes.size())
                                    : FileCalls().pwrite(fd, bytes.data(), bytes.size(), offset);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(done));
    if (offset >= 0) offset += done;
  }
  return true;
}

bool ReadExactly(int fd, void* buffer, std::size_t length, off_t offset) {
  return ReadUpTo(fd, static_cast<char*>(buffer), length, offset) == static_cast<ssize_t>(length);
}

bool ReadWholeFile(int fd, std::string& bytes, std::size_t limit) {
  // One byte more than the limit: a file that fills it is too large.
  bytes.assign(limit + 1, '\0');
  const ssize_t got = ReadUpTo(fd, bytes.data(), bytes.size(), 0);
  if (got < 0 || static_cast<std::size_t>(got) > limit) return false;
  bytes.resize(static_cast<std::size_t>(got));
  return true;
}
