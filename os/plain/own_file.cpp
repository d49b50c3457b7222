#include "os/own_file.h"

#include <cerrno>

// Without a way to ask for a file's owner, only a missing file may become the log.
FileOwnership OwnershipOf(const std::filesystem::path& path) {
  std::error_code error;
  const auto status = std::filesystem::symlink_status(path, error);
  return status.type() == std::filesystem::file_type::not_found ? FileOwnership::Missing
                                                                : FileOwnership::Other;
}

void ClearSystemError() { errno = 0; }

std::error_code LastSystemError() { return {errno, std::generic_category()}; }

std::string SystemErrorText(const std::error_code& error) {
  return error ? error.message() : std::string();
}
