#pragma once
// The failure of the system call just made, with the code it left as the thread's last
// error: to be taken at once after that call, before any other may change it.
#include <windows.h>

#include <system_error>

#include "os/system_error.h"

inline FileResult FailedCall(const char* step) {
  return FailedAt(step, std::error_code(static_cast<int>(GetLastError()), std::system_category()));
}

inline FileResult FailedWith(const char* step, DWORD error) {
  return FailedAt(step, std::error_code(static_cast<int>(error), std::system_category()));
}
