#pragma once
// Windows: the file layer's table of system calls, put back as it was (and the executable's
// identity taken again) when the scope ends, whatever a test replaced in it.
#include "os/win32/file_calls.h"
#include "os/win32/file_identity.h"

class ScopedFileCalls {
 public:
  ScopedFileCalls() : saved_(FileCalls()) {}
  ~ScopedFileCalls() {
    FileCalls() = saved_;
    ForgetRunningExecutable();
  }
  ScopedFileCalls(const ScopedFileCalls&) = delete;
  ScopedFileCalls& operator=(const ScopedFileCalls&) = delete;

 private:
  Win32FileCalls saved_;
};
