#pragma once
// Which file an open handle names. Windows gives a 128-bit id within a volume (ReFS needs
// all of it; systems before Windows 8 give the 64-bit index only). Some file systems give
// no id that can be trusted: WebDAV, cloud-drive clients and some FUSE-based drives report
// 0 or all ones for every file, some a volume serial of 0, and virtual-machine shared
// folders ids that change from one open to the next. Such ids never make two files the
// same: the final paths of both files decide then.
#include <windows.h>

#include <array>
#include <string>

struct FileIdentity {
  ULONGLONG Volume = 0;
  std::array<BYTE, 16> Id{};
  // The volume and the id can be trusted.
  bool Known = false;
  // The file's final path (`\\?\` form); only taken where the ids are not known.
  std::wstring FinalPath;
};

// Whether a volume serial and an id can tell files apart: never 0 or all ones (in the 128-bit
// id, or in the 64-bit index that fills its low half), nor on a volume of serial 0.
bool TrustworthyId(ULONGLONG volume, const std::array<BYTE, 16>& id);

// Empty when the system cannot name the file.
std::wstring FinalPathOf(HANDLE file);

// What the system tells of the open file; false when it tells nothing.
bool ReadIdentity(HANDLE file, FileIdentity& identity);

// Both name the same file: by their ids where both are known, else by their final paths
// (compared case-insensitively, as the file system does); never by unknown ids.
bool SameFile(const FileIdentity& a, const FileIdentity& b);

// The open file is the running executable (it may have been renamed to any name, or be
// reached through a link).
bool IsRunningExecutable(HANDLE file, const FileIdentity& identity);

// Takes the executable's identity again (tests change the file system's answers).
void ForgetRunningExecutable();
