#pragma once
// The failure of the system call just made, with the code it left in errno: to be taken at
// once after that call, before any other may change it.
#include <cerrno>
#include <system_error>

#include "os/system_error.h"

inline FileResult FailedCall(const char* step) {
  return FailedAt(step, std::error_code(errno, std::generic_category()));
}
