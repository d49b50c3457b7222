// The exchange file after a replacement that stopped half-way and lost the old file: the host
// finds "nothing to draw", not its own input and not an empty folder.
#include <windows.h>

#include <gtest/gtest.h>

#include "exchange/state/exchange_state.h"
#include "exchange/writing/command_writer.h"
#include "tests/support/scoped_file_calls.h"
#include "tests/support/temp_dir.h"

namespace {

// ReplaceFileW moved the old file to the backup name and stopped; every rename after it is
// refused, the old file's way back included.
BOOL WINAPI ReplaceStopping(LPCWSTR replaced, LPCWSTR, LPCWSTR backup, DWORD, LPVOID, LPVOID) {
  MoveFileExW(replaced, backup, 0);
  return SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2), FALSE;
}
BOOL WINAPI RefuseRename(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD) {
  return SetLastError(ERROR_ACCESS_DENIED), FALSE;
}
BOOL WINAPI RefuseMove(LPCWSTR, LPCWSTR, DWORD) { return SetLastError(ERROR_ACCESS_DENIED), FALSE; }

TEST(ExchangeFile, ALostFileBecomesNothingToDraw) {
  ScopedFileCalls calls;
  FileCalls().ReplaceFileW = &ReplaceStopping;
  FileCalls().SetFileInformationByHandle = &RefuseRename;
  FileCalls().MoveFileExW = &RefuseMove;
  TempDir dir;
  const auto path = dir / "JWC_TEMP.TXT";
  WriteBytes(path, "hp1 0 0\r\n");
  InitExchangeState();
  QueueCommand("lg0");
  EXPECT_FALSE(WriteExchangeFile(path));
  EXPECT_EQ(ReadBytes(path), "hq\r\n");
  EXPECT_EQ(dir.Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
  ReleaseExchangeState();
}

}  // namespace
