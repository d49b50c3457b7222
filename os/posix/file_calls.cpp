#include "os/posix/file_calls.h"

#include <fcntl.h>
#include <stdio.h>  // renameat

const PosixFileCalls& SystemFileCalls() {
  static const PosixFileCalls calls{
#define AUXLINE_CALL_ENTRY(name, result, params, args) +[] params -> result { return ::name args; },
      AUXLINE_POSIX_FILE_CALLS(AUXLINE_CALL_ENTRY)
#undef AUXLINE_CALL_ENTRY
  };
  return calls;
}

PosixFileCalls& FileCalls() {
  static PosixFileCalls calls = SystemFileCalls();
  return calls;
}
