#include "os/posix/descriptor_io.h"

#include "os/posix/file_calls.h"

#include <unistd.h>

#include <cerrno>

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

bool ReadWholeFile(int fd, std::string& bytes, std::size_t limit) {
  bytes.assign(limit + 1, '\0');
  std::size_t filled = 0;
  for (;;) {
    const ssize_t got = FileCalls().pread(fd, bytes.data() + filled, bytes.size() - filled,
                                          static_cast<off_t>(filled));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
    if (filled > limit) return false;
  }
  bytes.resize(filled);
  return true;
}
