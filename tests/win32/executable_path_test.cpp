// The executable's path is taken whole; without an absolute one the run touches nothing (it
// would otherwise find a JWC_TEMP.TXT in the working folder) and ends with its own status.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "os/win32/module_path.h"
#include "platform/win32/executable_path.h"
#include "tests/support/scoped_file_calls.h"
#include "tests/support/temp_dir.h"

namespace {

// The fake system's answer, cut to the buffer as the system cuts it.
std::wstring answer;
DWORD WINAPI FakeModuleFileName(HMODULE, LPWSTR buffer, DWORD size) {
  if (answer.empty()) return SetLastError(ERROR_NOT_ENOUGH_MEMORY), 0;
  const std::size_t copied = answer.size() < size ? answer.size() : size - 1;
  buffer[answer.copy(buffer, copied)] = L'\0';
  return copied < answer.size() ? size : static_cast<DWORD>(copied);
}

TEST(ExecutablePath, TakenWholeOrTheRunTouchesNothing) {
  const struct {
    const char* what;
    std::wstring given;
    bool found;
  } kCases[] = {{"fits the first buffer", L"C:\\no-such-folder\\auxline.exe", true},
                {"needs a longer buffer", L"C:\\" + std::wstring(700, L'd') + L"\\a.exe", true},
                {"the system cannot tell", L"", false},
                {"a relative answer", L"auxline.exe", false}};
  const std::string input = "hp1 0 0\r\nhp2 10 10\r\n";
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ScopedFileCalls calls;
    FileCalls().GetModuleFileNameW = &FakeModuleFileName;
    answer = c.given;
    EXPECT_EQ(RunningModulePath(), c.given);
    TempDir dir;
    WriteBytes(dir / "JWC_TEMP.TXT", input);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.Path().c_str()));
    // A found path's folder does not exist, so that run fails too: the files tell the guard.
    const int status = RunBesideExecutable({"/R1"}, {});
    EXPECT_TRUE(c.found || status == kExitWithoutOwnPath) << status;
    SetCurrentDirectoryW(std::filesystem::temp_directory_path().c_str());
    EXPECT_EQ(ReadBytes(dir / "JWC_TEMP.TXT"), input);
    EXPECT_EQ(dir.Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
  }
}

}  // namespace
