// The executable's own path, asked of the system in one place: a path longer than the first
// buffer is taken whole, and a system that cannot tell makes the run touch nothing.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "os/win32/module_path.h"
#include "platform/win32/executable_path.h"
#include "tests/support/scoped_file_calls.h"
#include "tests/support/temp_dir.h"

namespace {

// What the fake system answers: cut to the buffer, as the system does.
std::wstring answer;
DWORD WINAPI FakeModuleFileName(HMODULE, LPWSTR buffer, DWORD size) {
  if (answer.empty()) return SetLastError(ERROR_NOT_ENOUGH_MEMORY), 0;
  const std::size_t copied = answer.size() < size ? answer.size() : size - 1;
  answer.copy(buffer, copied);
  buffer[copied] = L'\0';
  if (copied < answer.size()) return SetLastError(ERROR_INSUFFICIENT_BUFFER), size;
  return static_cast<DWORD>(copied);
}

TEST(ExecutablePath, TheSystemsAnswerIsTakenWholeOrNotAtAll) {
  const std::wstring deep = L"C:\\" + std::wstring(700, L'd') + L"\\auxline.exe";
  const struct {
    const char* what;
    std::wstring given;
  } kCases[] = {{"fits the first buffer", L"C:\\tools\\auxline.exe"},
                {"needs a longer buffer", deep},
                {"the system cannot tell", L""}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ScopedFileCalls calls;
    FileCalls().GetModuleFileNameW = &FakeModuleFileName;
    answer = c.given;
    EXPECT_EQ(RunningModulePath(), c.given);
  }
}

// Without its own path the run would find a JWC_TEMP.TXT in the working folder: it neither
// reads nor writes it, nor makes a settings file.
TEST(ExecutablePath, WithoutItTheRunTouchesNothing) {
  for (const wchar_t* given : {L"", L"auxline.exe"}) {
    SCOPED_TRACE(given[0] == L'\0' ? "no path" : "a relative path");
    ScopedFileCalls calls;
    FileCalls().GetModuleFileNameW = &FakeModuleFileName;
    answer = given;
    TempDir dir;
    WriteBytes(dir / "JWC_TEMP.TXT", "hp1 0 0\r\nhp2 10 10\r\n");
    ASSERT_TRUE(SetCurrentDirectoryW(dir.Path().c_str()));
    EXPECT_EQ(RunBesideExecutable({"/R1"}, {}), kExitWithoutOwnPath);
    SetCurrentDirectoryW(std::filesystem::temp_directory_path().c_str());
    EXPECT_EQ(ReadBytes(dir / "JWC_TEMP.TXT"), "hp1 0 0\r\nhp2 10 10\r\n");
    EXPECT_EQ(dir.Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
  }
}

}  // namespace
