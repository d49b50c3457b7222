#include "os/system_error.h"

// The system's errors as errno tells them: every system but Windows.
std::string SystemErrorText(const std::error_code& error) {
  return error ? error.message() : std::string();
}
