#include "os/own_file.h"

// Without a way to ask for a file's owner, only a missing file may become the log.
FileOwnership OwnershipOf(const std::filesystem::path& path) {
  std::error_code error;
  const auto status = std::filesystem::symlink_status(path, error);
  return status.type() == std::filesystem::file_type::not_found ? FileOwnership::Missing
                                                                : FileOwnership::Other;
}
