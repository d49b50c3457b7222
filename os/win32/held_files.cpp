#include "os/win32/held_files.h"

namespace {

// A scanner lets go within milliseconds, a backup may take a second.
constexpr DWORD kLongestPause = 250;

// Opening for reading without sharing anything fails with a sharing violation exactly when
// someone else has the file open for its data or its deletion.
bool OpenElsewhere(const wchar_t* path) {
  const HANDLE probe =
      CreateFileW(path, FILE_READ_DATA, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
  CloseHandle(probe);
  return false;
}

}  // namespace

bool HeldByAnotherProgram(DWORD error, const wchar_t* path) {
  switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return true;
    case ERROR_ACCESS_DENIED:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT: return OpenElsewhere(path);
    default: return false;
  }
}

bool HeldFileWait::PauseAfter(DWORD error, const wchar_t* path) {
  if (!HeldByAnotherProgram(error, path)) return false;
  const ULONGLONG now = GetTickCount64();
  if (started_ == 0) started_ = now;
  const ULONGLONG spent = now - started_;
  if (spent >= kBudgetMilliseconds) return false;
  const ULONGLONG left = kBudgetMilliseconds - spent;
  Sleep(static_cast<DWORD>(nextPause_ < left ? nextPause_ : left));
  nextPause_ = nextPause_ * 2 < kLongestPause ? nextPause_ * 2 : kLongestPause;
  return true;
}
