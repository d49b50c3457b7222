#pragma once
// The system calls of the Windows file layer whose answers depend on the file system or on
// the Windows version. The layer makes them through this table, so that tests can play
// what Wine cannot show: file ids of 0 or ids that change between calls, a system or file
// system without ReplaceFileW or without the rename with POSIX semantics, a read-only file
// that refuses to be replaced, a system that cannot name the running executable, files of
// other owners (Wine reports the user as every file's owner), links and the times a file was
// made.
#include <windows.h>

#include <aclapi.h>

struct Win32FileCalls {
  decltype(&::GetFileInformationByHandleEx) GetFileInformationByHandleEx;
  decltype(&::GetFileInformationByHandle) GetFileInformationByHandle;
  decltype(&::ReplaceFileW) ReplaceFileW;  // null where it is not to be used
  decltype(&::SetFileInformationByHandle) SetFileInformationByHandle;
  decltype(&::MoveFileExW) MoveFileExW;
  decltype(&::GetModuleFileNameW) GetModuleFileNameW;
  decltype(&::GetSecurityInfo) GetSecurityInfo;
  // Where a link is told from a file (Wine shows no links).
  decltype(&::GetFileAttributesW) GetFileAttributesW;
};

// The table in use: the system's own functions unless a test has put others in.
Win32FileCalls& FileCalls();
