// What Wine cannot show, played through the file layer's table of system calls: file systems
// whose ids cannot be trusted, Windows refusing to replace a read-only file, ReplaceFileW
// failing half-way, and the `\\?\` paths the layer hands to the system.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "os/file_system.h"
#include "os/win32/file_calls.h"
#include "os/win32/file_identity.h"
#include "os/win32/long_path.h"
#include "tests/support/temp_dir.h"

namespace {

// Puts the system's own calls back, and takes the executable's identity again.
class FakeCalls {
 public:
  FakeCalls() : saved_(FileCalls()) {}
  ~FakeCalls() {
    FileCalls() = saved_;
    ForgetRunningExecutable();
  }

 private:
  Win32FileCalls saved_;
};

// The ids the fake file system gives; `Counter` makes them change with every call.
enum class Ids { Zero, AllOnes, NoVolume, Counter };
Ids fakeIds = Ids::Zero;
ULONGLONG counter = 0;

void FakeId(ULONGLONG& volume, BYTE* id, std::size_t size) {
  std::memset(id, fakeIds == Ids::AllOnes ? 0xFF : 0, size);
  if (fakeIds == Ids::NoVolume) volume = 0, id[0] = 7;
  if (fakeIds == Ids::Counter) ++counter, std::memcpy(id, &counter, sizeof counter);
}
BOOL WINAPI FakeIdInfo(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID out, DWORD size) {
  if (!GetFileInformationByHandleEx(file, kind, out, size)) return FALSE;
  auto* info = static_cast<FILE_ID_INFO*>(out);
  FakeId(info->VolumeSerialNumber, info->FileId.Identifier, sizeof info->FileId.Identifier);
  return TRUE;
}

TEST(FileLayerSeam, IdsThatCannotBeTrustedNeverMakeAFileTheExecutable) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  for (const Ids ids : {Ids::Zero, Ids::AllOnes, Ids::NoVolume, Ids::Counter}) {
    FakeCalls calls;
    fakeIds = ids;
    FileCalls().GetFileInformationByHandleEx = &FakeIdInfo;
    ForgetRunningExecutable();
    TempDir dir;
    const auto target = dir / "JWC_TEMP.TXT";
    WriteBytes(target, "hp1 0 0\r\n");
    EXPECT_EQ(RegularFileReader(target).State(), RegularFileReader::Outcome::Opened);
    EXPECT_TRUE(ReplaceFileContents(target, "hq\r\n"));
    EXPECT_EQ(ReadBytes(target), "hq\r\n");
    // The executable itself is still known, by its final path.
    EXPECT_EQ(RegularFileReader(exe).State(), RegularFileReader::Outcome::Unreadable);
  }
}

// Windows refuses to rename over, or ReplaceFileW, a read-only file (Wine allows it).
bool ReadOnly(LPCWSTR path) {
  const DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}
std::vector<std::wstring> movedTo;
BOOL WINAPI StrictMove(LPCWSTR from, LPCWSTR to, DWORD flags) {
  movedTo.push_back(to);
  if (ReadOnly(to)) return SetLastError(ERROR_ACCESS_DENIED), FALSE;
  return MoveFileExW(from, to, flags);
}
int replaceCalls = 0;
BOOL WINAPI StrictReplace(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR, DWORD, LPVOID, LPVOID) {
  ++replaceCalls;
  if (ReadOnly(replaced)) return SetLastError(ERROR_ACCESS_DENIED), FALSE;
  return MoveFileExW(replacement, replaced, MOVEFILE_REPLACE_EXISTING);
}
// ReplaceFileW's documented half-way failure: the old file is gone, the new one keeps its
// temporary name.
BOOL WINAPI ReplaceFailingHalfWay(LPCWSTR replaced, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID) {
  ++replaceCalls;
  DeleteFileW(replaced);
  return SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT), FALSE;
}

ULONGLONG FileIndex(const std::filesystem::path& path) {
  const HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  BY_HANDLE_FILE_INFORMATION info{};
  GetFileInformationByHandle(file, &info);
  CloseHandle(file);
  return (ULONGLONG{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
}

// Replaced, not rewritten in place (as root under Wine a read-only file can be written).
TEST(FileLayerSeam, ReadOnlyFileIsReplacedAndStaysReadOnly) {
  for (const auto replace : {&StrictReplace, &ReplaceFailingHalfWay, decltype(&StrictReplace){}}) {
    FakeCalls calls;
    FileCalls().MoveFileExW = &StrictMove;
    FileCalls().ReplaceFileW = replace;
    replaceCalls = 0;
    TempDir dir;
    const auto target = dir / "auxline.dat";
    WriteBytes(target, "1\r\n");
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const ULONGLONG old = FileIndex(target);
    EXPECT_TRUE(ReplaceFileContents(target, "2\r\n"));
    EXPECT_NE(FileIndex(target), old);
    EXPECT_EQ(replaceCalls, replace != nullptr ? 1 : 0);
    EXPECT_TRUE(ReadOnly(target.c_str()));
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(target), "2\r\n");
    EXPECT_EQ(dir.Entries(), std::set<std::string>{"auxline.dat"});
  }
}

// A target whose path is close to 260 characters, or given relative or with forward
// slashes, reaches the system as an absolute `\\?\` path and gets an atomic replace.
TEST(FileLayerSeam, PathsReachTheSystemInTheLongForm) {
  TempDir dir;
  const std::size_t room = 250 - dir.Path().native().size();
  const std::filesystem::path deep = dir.Path() / std::string(room, 'd');
  ASSERT_TRUE(std::filesystem::create_directory(deep));
  const std::filesystem::path near260 = deep / "JWC_TEMP.TXT";
  ASSERT_TRUE(SetCurrentDirectoryW(dir.Path().c_str()));
  for (const std::filesystem::path& target :
       {near260, std::filesystem::path(L"JWC_TEMP.TXT"),
        std::filesystem::path(dir.Path().generic_wstring() + L"/./JWC_TEMP.TXT")}) {
    FakeCalls calls;
    FileCalls().MoveFileExW = &StrictMove;
    movedTo.clear();
    WriteBytes(target, "old");
    EXPECT_TRUE(ReplaceFileContents(target, "new"));
    EXPECT_EQ(ReadBytes(target), "new");
    ASSERT_EQ(movedTo.size(), 1u) << target;  // renamed, not rewritten in place
    EXPECT_EQ(movedTo[0], ExtendedPath(target).native());
    EXPECT_EQ(movedTo[0].rfind(L"\\\\?\\", 0), 0u);
  }
  SetCurrentDirectoryW(std::filesystem::temp_directory_path().c_str());
}

TEST(FileLayerSeam, ExtendedPathForms) {
  const struct {
    const wchar_t* Given;
    const wchar_t* Extended;
  } kCases[] = {{L"C:\\a\\b.txt", L"\\\\?\\C:\\a\\b.txt"},
                {L"C:/a/./x/../b.txt", L"\\\\?\\C:\\a\\b.txt"},
                {L"\\\\server\\share\\b.txt", L"\\\\?\\UNC\\server\\share\\b.txt"},
                {L"\\\\?\\C:\\a\\b.txt", L"\\\\?\\C:\\a\\b.txt"}};
  for (const auto& path : kCases) EXPECT_EQ(ExtendedPath(path.Given).native(), path.Extended);
}

}  // namespace
