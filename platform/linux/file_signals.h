#pragma once
// Signals that a file operation can raise. By default each ends the process before the tool
// can hand the host a sound exchange file: SIGXFSZ for a write past the file-size limit
// (ulimit -f), SIGPIPE for a write to a pipe or socket without a reader (stderr of a host
// that went away). Ignored, the call fails with EFBIG or EPIPE instead and the tool's own
// fallback runs. The tool maps no file into memory (a truncated mapping would raise SIGBUS):
// the program files it starts or loads are checked to be whole first.
#include <signal.h>

inline void IgnoreFileSignals() {
  ::signal(SIGXFSZ, SIG_IGN);
  ::signal(SIGPIPE, SIG_IGN);
}
