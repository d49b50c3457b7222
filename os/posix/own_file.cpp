#include "os/own_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

FileOwnership OwnershipOf(const std::filesystem::path& path) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) {
    return errno == ENOENT ? FileOwnership::Missing : FileOwnership::Other;
  }
  if (!S_ISREG(status.st_mode) || status.st_uid != ::geteuid()) return FileOwnership::Other;
  return FileOwnership::Own;
}
