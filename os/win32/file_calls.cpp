#include "os/win32/file_calls.h"

namespace {

// Wine's ReplaceFileW moves the old file away before it moves the new one in, so a reader
// may find no file in between, and leaves an empty helper file behind whenever the old
// file is held; it keeps no ACL either. Under Wine the plain rename is the better replace.
bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace

Win32FileCalls& FileCalls() {
  static Win32FileCalls calls{&::GetFileInformationByHandleEx,
                              &::GetFileInformationByHandle,
                              RunningUnderWine() ? nullptr : &::ReplaceFileW,
                              &::SetFileInformationByHandle,
                              &::MoveFileExW,
                              &::GetModuleFileNameW,
                              &::GetSecurityInfo,
                              &::GetFileAttributesW};
  return calls;
}
