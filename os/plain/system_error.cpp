#include "os/own_file.h"

#include <cerrno>

// The last failure as errno tells it: every system but Windows.
void ClearSystemError() { errno = 0; }

std::error_code LastSystemError() { return {errno, std::generic_category()}; }

std::string SystemErrorText(const std::error_code& error) {
  return error ? error.message() : std::string();
}
