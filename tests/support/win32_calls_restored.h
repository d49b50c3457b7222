#pragma once
// Windows: the file layer's table of system calls, put back as it was (and the executable's
// identity taken again) when the scope ends, whatever a test replaced in it.
#include "os/win32/file_calls.h"
#include "os/win32/file_identity.h"

class Win32CallsRestored {
 public:
  Win32CallsRestored() : saved_(FileCalls()) {}
  ~Win32CallsRestored() {
    FileCalls() = saved_;
    ForgetRunningExecutable();
  }
  Win32CallsRestored(const Win32CallsRestored&) = delete;
  Win32CallsRestored& operator=(const Win32CallsRestored&) = delete;

 private:
  Win32FileCalls saved_;
};
