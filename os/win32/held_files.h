#pragma once
// Another program may hold a file for a moment: a virus scanner, an indexer or a backup
// opens each new file as soon as it is written, often without sharing its deletion or its
// writing. An operation that fails for that reason is tried again, with growing pauses,
// for a bounded time, as database engines do; every other failure is final at once.
#include <windows.h>

// True when `error` from an operation on the existing file at `path` means that another
// program holds it open (a sharing or lock violation; access denied while the file is open
// elsewhere, as for a rename over a file that is still open). Access denied on a file that
// no one holds, or that cannot be opened at all (the ACL, a folder), is final at once.
bool HeldByAnotherProgram(DWORD error, const wchar_t* path);

// The pauses of one operation on one file: at most about 1.3 s in all.
class HeldFileWait {
 public:
  static constexpr ULONGLONG kBudgetMilliseconds = 1300;

  // After a failure with `error`: when another program holds the file and time is left,
  // pauses and returns true (the caller tries again); else returns false at once.
  bool PauseAfter(DWORD error, const wchar_t* path);

 private:
  ULONGLONG started_ = 0;
  DWORD nextPause_ = 2;
};
