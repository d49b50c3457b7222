// What Wine cannot show, played through the file layer's table of system calls: file systems
// whose ids cannot be trusted, Windows refusing to replace a read-only file, each way a
// real Windows replaces a file (Wine has no ReplaceFileW and no rename with POSIX semantics),
// ReplaceFileW failing half-way, and the `\\?\` paths the layer hands to the system.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "os/file_system.h"
#include "os/win32/file_calls.h"
#include "os/win32/file_identity.h"
#include "os/win32/long_path.h"
#include "tests/support/scoped_file_calls.h"
#include "tests/support/temp_dir.h"

namespace {

using FakeCalls = ScopedFileCalls;

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

// The replacing calls as a real Windows makes them, each logged; `refusal` refuses every
// rename of the new file (a scanner holding it, a server denying it), `refuseBack` also the
// rename of the old file back from the backup name.
std::vector<std::string> log;
DWORD refusal = 0;
bool refuseBack = false;
std::wstring backupGiven;
BOOL WINAPI Replace(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD, LPVOID, LPVOID) {
  log.push_back("replace");
  backupGiven = backup != nullptr ? backup : L"";
  return MoveFileExW(replaced, backup, 0) && MoveFileExW(replacement, replaced, 0);
}
BOOL WINAPI ReplaceStopping(DWORD error, LPCWSTR replaced, LPCWSTR backup) {
  log.push_back("replace");
  backupGiven = backup != nullptr ? backup : L"";
  if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) MoveFileExW(replaced, backup, 0);
  return SetLastError(error), FALSE;
}
BOOL WINAPI Replace1176(LPCWSTR replaced, LPCWSTR, LPCWSTR backup, DWORD, LPVOID, LPVOID) {
  return ReplaceStopping(ERROR_UNABLE_TO_MOVE_REPLACEMENT, replaced, backup);
}
BOOL WINAPI Replace1177(LPCWSTR replaced, LPCWSTR, LPCWSTR backup, DWORD, LPVOID, LPVOID) {
  return ReplaceStopping(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2, replaced, backup);
}
BOOL WINAPI PosixRename(HANDLE file, FILE_INFO_BY_HANDLE_CLASS, LPVOID info, DWORD) {
  log.push_back("posix");
  if (refusal != 0) return SetLastError(refusal), FALSE;
  const auto* rename = static_cast<const FILE_RENAME_INFO*>(info);
  const std::wstring to =
      L"\\\\?\\" + std::wstring(rename->FileName + 4, rename->FileNameLength / sizeof(WCHAR) - 4);
  return MoveFileExW(FinalPathOf(file).c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING);
}
BOOL WINAPI NoPosixRename(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD) {
  log.push_back("posix");
  return SetLastError(ERROR_INVALID_PARAMETER), FALSE;  // before Windows 10 1709
}
BOOL WINAPI Move(LPCWSTR from, LPCWSTR to, DWORD flags) {
  const bool back = from == backupGiven;
  log.push_back(back ? "back" : "move");
  if (refusal != 0 && (!back || refuseBack)) return SetLastError(refusal), FALSE;
  return MoveFileExW(from, to, flags);
}

// One fake file system per case: the replacing calls, the old file and the refusals.
struct ReplacePath {
  decltype(&Replace) ReplaceCall;
  decltype(&PosixRename) RenameCall;
  const char* Old;  // none: nothing to replace
  DWORD Refusal = 0;
  bool RefuseBack = false;
};
FakeCalls* UseFakes(const ReplacePath& path, const std::filesystem::path& target) {
  auto* calls = new FakeCalls;
  FileCalls().ReplaceFileW = path.ReplaceCall;
  FileCalls().SetFileInformationByHandle = path.RenameCall;
  FileCalls().MoveFileExW = &Move;
  log.clear();
  backupGiven.clear();
  refusal = path.Refusal;
  refuseBack = path.RefuseBack;
  if (path.Old != nullptr) WriteBytes(target, path.Old);
  return calls;
}

// Before Windows 8 (and on file systems that do not answer the newer question) only the
// 64-bit index is known; all ones there is no identity. An exchange file beside the
// executable, on its own volume, is still read and written, and the executable never is.
BOOL WINAPI NoIdInfo(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD) {
  return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
}
BOOL WINAPI IndexOfAllOnes(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) {
  if (!GetFileInformationByHandle(file, info)) return FALSE;
  info->nFileIndexHigh = info->nFileIndexLow = 0xFFFFFFFF;
  return TRUE;
}
TEST(FileLayerSeam, AnIndexOfAllOnesNeverMakesAFileBesideItTheExecutable) {
  FakeCalls calls;
  FileCalls().GetFileInformationByHandleEx = &NoIdInfo;
  FileCalls().GetFileInformationByHandle = &IndexOfAllOnes;
  ForgetRunningExecutable();
  wchar_t exe[MAX_PATH];
  ASSERT_NE(GetModuleFileNameW(nullptr, exe, MAX_PATH), 0u);
  const std::filesystem::path beside = std::filesystem::path(exe).parent_path() /
                                       ("JWC_TEMP." + std::to_string(GetCurrentProcessId()));
  WriteBytes(beside, "hp1 0 0\r\n");
  EXPECT_EQ(RegularFileReader(beside).State(), RegularFileReader::Outcome::Opened);
  EXPECT_TRUE(ReplaceFileContents(beside, "hq\r\n"));
  EXPECT_EQ(ReadBytes(beside), "hq\r\n");
  EXPECT_EQ(RegularFileReader(exe).State(), RegularFileReader::Outcome::Unreadable);
  DeleteFileW(beside.c_str());
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
// ReplaceFileW stopping half-way as it may without a backup name: the old file is gone, the new one
// keeps its temporary name.
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
    FileCalls().SetFileInformationByHandle = &NoPosixRename;
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

TEST(FileLayerSeam, EachWayOfReplacingPutsTheNewFileInPlaceAndLeavesNothingElse) {
  const struct {
    const char* what;
    ReplacePath path;
    std::vector<std::string> calls;
  } kCases[] = {
      {"ReplaceFileW succeeds", {&Replace, &PosixRename, "old"}, {"replace"}},
      {"1176: the POSIX rename follows", {&Replace1176, &PosixRename, "old"}, {"replace", "posix"}},
      {"1177: the old file back, then the POSIX rename",
       {&Replace1177, &PosixRename, "old"},
       {"replace", "back", "posix"}},
      {"no ReplaceFileW: the POSIX rename", {nullptr, &PosixRename, "old"}, {"posix"}},
      {"no POSIX rename: MoveFileExW",
       {&Replace1176, &NoPosixRename, "old"},
       {"replace", "posix", "move"}},
      {"nothing to replace: renamed", {&Replace, &PosixRename, nullptr}, {"posix"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const auto target = dir / "auxline.dat";
    const std::unique_ptr<FakeCalls> calls(UseFakes(c.path, target));
    EXPECT_TRUE(ReplaceFileContents(target, "new"));
    EXPECT_EQ(log, c.calls);
    EXPECT_EQ(ReadBytes(target), "new");
    EXPECT_EQ(dir.Entries(), std::set<std::string>{"auxline.dat"});
  }
}

// ReplaceFileW stopping half-way and every rename after it refused: the target never ends up
// missing while its old bytes (or "nothing to draw") are known; the temporary file and the
// backup go only once a file holds the target's name again. The old file still (or again)
// under its name is then rewritten in place; a file made anew never is. "back": the old file
// renamed back from the backup name; "memory": its bytes written anew, as is "hq" for the exchange
// file.
TEST(FileLayerSeam, ReplaceStoppingHalfWayNeverLosesTheTarget) {
  static const std::string large(70000, 'x');  // too large to keep in memory as the way back
  constexpr DWORD kDenied = ERROR_ACCESS_DENIED, kHeld = ERROR_SHARING_VIOLATION;
  const char* const kHq = "hq\r\n";
  const struct {
    const char* what;
    ReplacePath path;
    const char* afterFailure;  // the option, when given
    const char* expected;      // none: no file of the target's name
    std::size_t entries;
  } kCases[] = {
      {"1176, access denied", {&Replace1176, &PosixRename, "old", kDenied}, nullptr, "new", 1},
      {"1176, held", {&Replace1176, &PosixRename, "old", kHeld}, nullptr, "new", 1},
      {"1177, denied, back", {&Replace1177, &PosixRename, "old", kDenied}, nullptr, "new", 1},
      {"1177, denied, memory",
       {&Replace1177, &PosixRename, "old", kDenied, true},
       nullptr,
       "old",
       1},
      {"1177, held, memory", {&Replace1177, &NoPosixRename, "old", kHeld, true}, nullptr, "old", 1},
      {"1177, denied, hq", {&Replace1177, &PosixRename, "host", kDenied, true}, kHq, kHq, 1},
      {"1177, held, hq", {&Replace1177, &PosixRename, "host", kHeld, true}, kHq, kHq, 1},
      {"1177, old bytes unknown: temporary and backup stay",
       {&Replace1177, &PosixRename, large.c_str(), kDenied, true},
       nullptr,
       nullptr,
       2},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const auto target = dir / "auxline.dat";
    const std::unique_ptr<FakeCalls> calls(UseFakes(c.path, target));
    ReplaceOptions options;
    if (c.afterFailure != nullptr) options.BytesAfterFailedWrite = c.afterFailure;
    const bool inPlace = c.expected != nullptr && std::string_view(c.expected) == "new";
    EXPECT_EQ(ReplaceFileContents(target, "new", options), inPlace);
    EXPECT_EQ(ReadBytes(target),
              c.expected != nullptr ? std::optional<std::string>(c.expected) : std::nullopt);
    EXPECT_EQ(dir.Entries().size(), c.entries);
    if (c.expected == nullptr) {
      EXPECT_EQ(ReadBytes(std::filesystem::path(backupGiven)), large);
    }
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
    FakeCalls calls;  // the classic rename, as before Windows 10 1709
    FileCalls().ReplaceFileW = nullptr;
    FileCalls().SetFileInformationByHandle = &NoPosixRename;
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
