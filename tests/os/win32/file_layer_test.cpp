// The Windows file layer: its pure rules (trusted ids, brief holds, followed links, replaced
// files); where it differs (held files, attributes and creation times kept, Japanese folder
// names; held_file_cases.sh holds a file from another program); and through its system calls
// what Wine cannot show: untrustworthy file ids, other users' files and links, when a left copy
// was made, each way Windows replaces a file (read-only, ReplaceFileW stopping half-way), `\\?\`
// paths.
#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "os/append_file.h"
#include "os/file_system.h"
#include "os/temporary_files.h"
#include "os/win32/file_identity.h"
#include "os/win32/held_files.h"
#include "os/win32/long_path.h"
#include "os/win32/owners.h"
#include "os/win32/reparse_points.h"
#include "tests/support/win32_calls_restored.h"
#include "tests/support/temp_dir.h"

namespace {

PSID Sid(const wchar_t* text) {  // made once, kept for the whole run
  static std::map<std::wstring, PSID> made;
  if (made[text] == nullptr) ConvertStringSidToSidW(text, &made[text]);
  return made[text];
}
constexpr const wchar_t *kAdministrators = L"S-1-5-32-544", *kOther = L"S-1-5-21-10-20-30-1002";

TEST(FileRules, OnlyIdsThatTellFilesApartAreTrusted) {
  const auto id = [](BYTE low, BYTE high) {  // the 64-bit index's half, and the rest
    std::array<BYTE, 16> made{};
    for (std::size_t i = 0; i < 16; ++i) made[i] = i < 8 ? low : high;
    return made;
  };
  const struct {
    const char* what;
    ULONGLONG volume;
    std::array<BYTE, 16> id;
    bool trusted;
  } kCases[] = {{"an ordinary id", 0x1234, id(7, 0), true},
                {"ones in the low half, more above", 0x1234, id(0xFF, 1), true},
                {"0", 0x1234, id(0, 0), false},
                {"all ones in the 128-bit id", 0x1234, id(0xFF, 0xFF), false},
                {"all ones in the 64-bit index", 0x1234, id(0xFF, 0), false},
                {"a volume serial of 0", 0, id(7, 0), false}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(TrustworthyId(c.volume, c.id), c.trusted);
  }
}

// A scanner's hold waits; a refusal no other program causes fails at once (each wait costs
// 1.3 s of every run that meets it).
TEST(FileRules, OnlyAFileHeldElsewhereIsWaitedFor) {
  TempDir dir;
  const std::filesystem::path free = dir / "free.txt", held = dir / "held.txt";
  WriteBytes(free, "x");
  WriteBytes(held, "x");
  const HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  const struct {
    const char* what;
    DWORD error;
    std::filesystem::path path;
    bool waits;
  } kCases[] = {
      {"sharing violation", ERROR_SHARING_VIOLATION, free, true},
      {"lock violation", ERROR_LOCK_VIOLATION, free, true},
      {"access denied, open elsewhere", ERROR_ACCESS_DENIED, held, true},
      {"not moved, open elsewhere", ERROR_UNABLE_TO_MOVE_REPLACEMENT, held, true},
      {"access denied, held by no one", ERROR_ACCESS_DENIED, free, false},
      {"access denied, a folder: no file to open", ERROR_ACCESS_DENIED, dir.Path(), false},
      {"access denied, nothing there", ERROR_ACCESS_DENIED, dir / "missing", false},
      {"disk full", ERROR_DISK_FULL, held, false}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(HeldByAnotherProgram(c.error, c.path.c_str()), c.waits);
  }
  CloseHandle(holder);
}

// As the POSIX layer follows links in a shared folder.
TEST(FileRules, OnlyLinksOfTheUserTheFolderOwnerOrTheAdministratorsAreFollowed) {
  const wchar_t* const kUser = L"S-1-5-21-10-20-30-1001";
  const struct {
    const char* what;
    const wchar_t *owner, *folderOwner;
    bool followed;
  } kCases[] = {{"the user's own, in another's folder", kUser, kOther, true},
                {"the folder owner's", kOther, kOther, true},
                {"the administrators'", kAdministrators, kOther, true},
                {"another user's, in the user's folder", kOther, kUser, false},
                {"another user's, in the administrators' folder", kOther, kAdministrators, false},
                {"the system's, in the user's folder", L"S-1-5-18", kUser, false}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(MayFollowReparsePoint(Sid(c.owner), Sid(kUser), Sid(c.folderOwner)), c.followed);
  }
}

// Only where a plain writer could write it; the user's own read-only file as before.
TEST(FileRules, AnotherUsersFileIsReplacedOnlyWhereItCouldBeWritten) {
  const struct {
    const char* what;
    bool ownedByRunner;
    DWORD openError;
    bool replaced;
  } kCases[] = {{"the user's own, writable", true, 0, true},
                {"the user's own, read-only", true, ERROR_ACCESS_DENIED, true},
                {"another user's, writable by this one", false, 0, true},
                {"another user's, held by a scanner", false, ERROR_SHARING_VIOLATION, true},
                {"another user's, not writable by this one", false, ERROR_ACCESS_DENIED, false}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(MayReplaceFile(c.ownedByRunner, c.openError), c.replaced);
  }
}

// The creation time of the file at `path`, after setting it to `made` where given.
FILETIME CreationTime(const std::filesystem::path& path, const FILETIME* made = nullptr) {
  const HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, 0,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  FILETIME created{};
  if (made != nullptr) SetFileTime(file, made, nullptr, nullptr);
  GetFileTime(file, &created, nullptr, nullptr);
  CloseHandle(file);
  return created;
}

// Made in a Japanese folder, then replaced by longer and shorter bytes: renamed over, or
// rewritten in place while another program holds it open without sharing its deletion. Only
// the target is left, with its attributes and its creation time (where kept: Wine stores none).
TEST(FileLayer, OnlyTheReplacedFileIsLeftWithItsAttributesAndCreationTime) {
  const FILETIME longAgo{0x5A3C0000, 0x01C0D9B1};  // early 2001
  const ReplaceOptions durable{true, std::nullopt};
  const struct {
    const char* what;
    bool held;
    DWORD attributes;
  } kCases[] = {{"renamed over", false,
                 FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY},
                {"held open: rewritten in place", true, FILE_ATTRIBUTE_HIDDEN}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir root;
    const std::filesystem::path folder =
        root.Path() / std::filesystem::path(L"補助線の作図 テスト");
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    const std::filesystem::path target = folder / std::filesystem::path(L"JWC_TEMP.TXT");
    ASSERT_TRUE(ReplaceFileContents(target, "first\r\n"));
    const FILETIME before = CreationTime(target, &longAgo);
    SetFileAttributesW(target.c_str(), c.attributes);
    const HANDLE holder =
        !c.held ? INVALID_HANDLE_VALUE
                : CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    for (const char* contents : {"second, longer than the first\r\n", "3\r\n"}) {
      ASSERT_TRUE(ReplaceFileContents(target, contents, durable)) << contents;
      EXPECT_EQ(ReadBytes(target), std::optional<std::string>(contents));
    }
    if (c.held) CloseHandle(holder);
    EXPECT_EQ(GetFileAttributesW(target.c_str()) & c.attributes, c.attributes);
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    const FILETIME created = CreationTime(target);
    EXPECT_TRUE(CompareFileTime(&longAgo, &before) != 0 ||
                CompareFileTime(&longAgo, &created) == 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
  }
}

// What Wine cannot show, played through the call table. Ids: `Counter` changes the id every
// call, `Index64` answers only the older call, with all ones. Per file name: its owner, a link,
// a name found empty, and when it was made: when last written, or (Wine's ctime, a file's change
// time) now, as for a backup that ReplaceFileW has just renamed.
enum class Ids { Real, Zero, AllOnes, NoVolume, Counter, Index64 };
Ids ids = Ids::Real;
ULONGLONG counter = 0;
struct Faked {
  const wchar_t* owner = nullptr;  // none: the user
  bool link = false, madeNow = false, hidden = false;
};
std::map<std::wstring, Faked> faked;
Faked FakedAt(const std::filesystem::path& path) {
  const auto found = faked.find(path.filename());
  return found == faked.end() ? Faked{} : found->second;
}
void FakeId(FILE_ID_INFO& info) {
  std::memset(info.FileId.Identifier, ids == Ids::AllOnes ? 0xFF : 0, 16);
  if (ids == Ids::NoVolume) info.VolumeSerialNumber = 0, info.FileId.Identifier[0] = 7;
  if (ids == Ids::Counter) ++counter, std::memcpy(info.FileId.Identifier, &counter, 8);
}
BOOL WINAPI FakeInfo(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID out, DWORD size) {
  if (kind == FileIdInfo && ids == Ids::Index64) {
    return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
  }
  if (!GetFileInformationByHandleEx(file, kind, out, size)) return FALSE;
  const Faked as = FakedAt(FinalPathOf(file));
  if (kind == FileIdInfo && ids != Ids::Real) FakeId(*static_cast<FILE_ID_INFO*>(out));
  auto* basic = static_cast<FILE_BASIC_INFO*>(out);
  if (kind == FileBasicInfo && !as.madeNow) basic->ChangeTime = basic->LastWriteTime;
  auto* tag = static_cast<FILE_ATTRIBUTE_TAG_INFO*>(out);
  if (kind == FileAttributeTagInfo && as.link) tag->ReparseTag = IO_REPARSE_TAG_SYMLINK;
  return TRUE;
}
BOOL WINAPI FakeIndex(HANDLE file, LPBY_HANDLE_FILE_INFORMATION info) {
  if (!GetFileInformationByHandle(file, info)) return FALSE;
  if (ids == Ids::Index64) info->nFileIndexHigh = info->nFileIndexLow = 0xFFFFFFFF;
  return TRUE;
}
DWORD WINAPI FakeOwner(HANDLE file, SE_OBJECT_TYPE type, SECURITY_INFORMATION what, PSID* owner,
                       PSID* group, PACL* dacl, PACL* sacl, PSECURITY_DESCRIPTOR* descriptor) {
  const DWORD got = GetSecurityInfo(file, type, what, owner, group, dacl, sacl, descriptor);
  const wchar_t* other = FakedAt(FinalPathOf(file)).owner;
  if (got == ERROR_SUCCESS && other != nullptr) *owner = Sid(other);
  return got;
}
DWORD WINAPI FakeAttributes(LPCWSTR path) {
  const Faked as = FakedAt(path);
  if (as.hidden) return SetLastError(ERROR_FILE_NOT_FOUND), INVALID_FILE_ATTRIBUTES;
  const DWORD got = GetFileAttributesW(path);
  return got == INVALID_FILE_ATTRIBUTES || !as.link ? got : got | FILE_ATTRIBUTE_REPARSE_POINT;
}
void ShowFiles(std::map<std::wstring, Faked> files, Ids shown = Ids::Real) {
  FileCalls().GetFileInformationByHandleEx = &FakeInfo;
  FileCalls().GetFileInformationByHandle = &FakeIndex;
  FileCalls().GetSecurityInfo = &FakeOwner;
  FileCalls().GetFileAttributesW = &FakeAttributes;
  faked = std::move(files), ids = shown;
}

// A file beside the executable, read, opened as the log to add a line, and replaced (the output,
// "hq", the settings; removal and identity open it as the read does): ids that cannot be trusted
// never make it the executable, then known by its path; another user's link is never followed,
// nor any link at the log.
TEST(FileLayerSeam, FilesAreReachedAsTheirIdsAndLinksAllow) {
  wchar_t exe[MAX_PATH];
  ASSERT_NE(GetModuleFileNameW(nullptr, exe, MAX_PATH), 0u);
  const std::filesystem::path beside = std::filesystem::path(exe).parent_path() /
                                       ("JWC_TEMP." + std::to_string(GetCurrentProcessId()));
  const struct {
    const char* what;
    Ids shown;
    Faked faked;
    bool read, logged, replaced;
  } kCases[] = {{"ids 0", Ids::Zero, {}, true, true, true},
                {"ids all ones", Ids::AllOnes, {}, true, true, true},
                {"volume 0", Ids::NoVolume, {}, true, true, true},
                {"ids changing", Ids::Counter, {}, true, true, true},
                {"64-bit index only, all ones", Ids::Index64, {}, true, true, true},
                {"another user's link", Ids::Real, {kOther, true}, false, false, false},
                {"the user's link", Ids::Real, {nullptr, true}, true, false, true}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Win32CallsRestored calls;
    ShowFiles({{beside.filename(), c.faked}}, c.shown);
    ForgetRunningExecutable();
    WriteBytes(beside, "the user's file");
    EXPECT_EQ(RegularFileReader(beside).State() == RegularFileReader::Outcome::Opened, c.read);
    EXPECT_EQ(AppendFile(beside).IsOpen(), c.logged);
    EXPECT_EQ(ReplaceFileContents(beside, "hq\r\n").Ok(), c.replaced);
    EXPECT_EQ(ReadBytes(beside), c.replaced ? "hq\r\n" : "the user's file");
    EXPECT_EQ(RegularFileReader(exe).State(), RegularFileReader::Outcome::Unreadable);
    DeleteFileW(beside.c_str());
  }
}

// All in one folder; none go while the run finds no file of the target's name (hidden from its
// first look alone: what that look found decides). Those kept that are the user's are named
// newest bytes first: a killed run's settings before the backup that a later ReplaceFileW made.
TEST(LeftCopies, OnlyTheUsersOwnAbandonedOnesGoNoneWhileTheTargetIsMissing) {
  const DWORD kGone = 4194307, self = GetCurrentProcessId();  // ids are multiples of four
  BOOL elevated = FALSE;  // the token holds the Administrators group
  CheckTokenMembership(nullptr, Sid(kAdministrators), &elevated);
  const struct {
    const char* what;
    DWORD creator;
    Faked faked;
    int minutes;  // since last written
    bool removed, named;
  } kCases[] = {
      {"creator gone, a minute old", kGone, {}, 1, true, false},
      {"another user's, an hour old", kGone, {kOther}, 60, false, false},
      {"the administrators', an hour old", kGone, {kAdministrators}, 60, elevated != 0, false},
      {"creator running, a minute old", self, {}, 1, false, true},
      {"a backup written an hour ago, made now", self, {nullptr, false, true}, 60, false, true}};
  Win32CallsRestored calls;
  ShowFiles({{L"auxline.dat", {nullptr, false, false, true}}});
  TempDir dir;
  WriteBytes(dir / "auxline.dat", "1\r\n");
  std::vector<std::wstring> names, named;
  for (const auto& c : kCases) {
    names.push_back(temporary_files::NameFor(L"auxline.dat", c.creator, names.size(), 255));
    faked[names.back()] = c.faked;
    if (c.named) named.push_back(names.back());
    const std::filesystem::path path = dir.Path() / names.back();
    WriteBytes(path, "half");
    std::filesystem::last_write_time(
        path, std::filesystem::last_write_time(path) - std::chrono::minutes(c.minutes));
  }
  RemoveAbandonedTemporariesOf(dir / "auxline.dat");
  EXPECT_EQ(dir.Entries().size(), std::size(kCases) + 1);
  faked.erase(L"auxline.dat");
  RemoveAbandonedTemporariesOf(dir / "auxline.dat");
  for (std::size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(kCases[i].what);
    EXPECT_EQ(!std::filesystem::exists(dir.Path() / names[i]), kCases[i].removed);
  }
  std::vector<std::wstring> left;
  for (const auto& copy : LeftCopiesOf(dir / "auxline.dat")) left.push_back(copy.filename());
  EXPECT_EQ(left, named);
}

// Logged fakes refusing a read-only target as Windows does; `refusal` refuses renaming the new
// file (a scanner, a server), `refuseBack` also the old file's rename back from the backup.
std::vector<std::string> log;
std::vector<std::wstring> movedTo;
DWORD refusal = 0;
bool refuseBack = false;
std::wstring backupGiven;
bool ReadOnly(LPCWSTR path) {
  const DWORD got = GetFileAttributesW(path);
  return got != INVALID_FILE_ATTRIBUTES && (got & FILE_ATTRIBUTE_READONLY) != 0;
}
BOOL WINAPI Stopping(DWORD error, LPCWSTR replaced, LPCWSTR backup) {
  log.push_back("replace");
  backupGiven = backup != nullptr ? backup : L"";
  if (ReadOnly(replaced)) return SetLastError(ERROR_ACCESS_DENIED), FALSE;
  if (error != ERROR_UNABLE_TO_MOVE_REPLACEMENT) MoveFileExW(replaced, backup, 0);
  return SetLastError(error), FALSE;
}
BOOL WINAPI Replace(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD, LPVOID, LPVOID) {
  return !Stopping(0, replaced, backup) && GetLastError() == 0 &&
         MoveFileExW(replacement, replaced, 0);
}
template <DWORD kError>  // 1176: the new file not moved; 1177: the old one also left at backup
BOOL WINAPI Stop(LPCWSTR replaced, LPCWSTR, LPCWSTR backup, DWORD, LPVOID, LPVOID) {
  return Stopping(kError, replaced, backup);
}
BOOL WINAPI Posix(HANDLE file, FILE_INFO_BY_HANDLE_CLASS, LPVOID info, DWORD) {
  log.push_back("posix");
  const auto* rename = static_cast<const FILE_RENAME_INFO*>(info);
  const std::wstring to =
      L"\\\\?\\" + std::wstring(rename->FileName + 4, rename->FileNameLength / sizeof(WCHAR) - 4);
  if (ReadOnly(to.c_str())) return SetLastError(ERROR_ACCESS_DENIED), FALSE;
  if (refusal != 0) return SetLastError(refusal), FALSE;
  return MoveFileExW(FinalPathOf(file).c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING);
}
BOOL WINAPI NoPosix(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD) {
  log.push_back("posix");
  return SetLastError(ERROR_INVALID_PARAMETER), FALSE;  // before Windows 10 1709
}
BOOL WINAPI Move(LPCWSTR from, LPCWSTR to, DWORD flags) {
  const bool back = from == backupGiven;
  log.push_back(back ? "back" : "move");
  movedTo.push_back(to);
  if (ReadOnly(to)) return SetLastError(ERROR_ACCESS_DENIED), FALSE;
  if (refusal != 0 && (!back || refuseBack)) return SetLastError(refusal), FALSE;
  return MoveFileExW(from, to, flags);
}
void UseFakes(decltype(&Replace) replace, decltype(&Posix) rename, DWORD refused, bool back) {
  FileCalls().ReplaceFileW = replace;
  FileCalls().SetFileInformationByHandle = rename;
  FileCalls().MoveFileExW = &Move;
  log = {}, movedTo = {}, backupGiven = {}, refusal = refused, refuseBack = back;
}

// Each way of replacing, and ReplaceFileW stopping half-way with every later rename refused:
// where the old bytes (or hq) are known a file holds the target's name and the temporary and
// backup files go; an old file still (or again) there is rewritten, one made from memory never.
TEST(FileLayerSeam, EachWayOfReplacingEndsInOneSoundFile) {
  static const std::string large(70000, 'x');  // too large to keep in memory as the way back
  const char* const kLarge = large.c_str();
  constexpr DWORD kDenied = ERROR_ACCESS_DENIED, kHeld = ERROR_SHARING_VIOLATION;
  const std::vector<std::string> kReplaced{"replace"}, kRenamed{"posix"}, k1176{"replace", "posix"},
      kBack{"replace", "back", "posix"}, kMoved{"replace", "posix", "move"};
  const struct {
    const char* what;
    decltype(&Replace) replace;
    decltype(&Posix) rename;
    const char* old;  // none: nothing to replace
    DWORD refusal;
    bool refuseBack, readOnly;
    const char* afterFailure;             // the option, when given
    const char* expected;                 // none: no file of the target's name
    std::vector<std::string> calls = {};  // when checked
  } kCases[] = {
      {"ReplaceFileW", &Replace, &Posix, "old", 0, false, false, nullptr, "new", kReplaced},
      {"ReplaceFileW, read-only", &Replace, &Posix, "old", 0, 0, true, nullptr, "new", kReplaced},
      {"no ReplaceFileW: POSIX rename", nullptr, &Posix, "old", 0, 0, 0, nullptr, "new", kRenamed},
      {"nothing to replace", &Replace, &Posix, nullptr, 0, false, false, nullptr, "new", kRenamed},
      {"1176: the POSIX rename", &Stop<1176>, &Posix, "old", 0, 0, 0, nullptr, "new", k1176},
      {"1177: back, the POSIX rename", &Stop<1177>, &Posix, "old", 0, 0, 0, nullptr, "new", kBack},
      {"1176, MoveFileExW, read-only", &Stop<1176>, &NoPosix, "old", 0, 0, 1, nullptr, "new",
       kMoved},
      {"1176, denied", &Stop<1176>, &Posix, "old", kDenied, false, false, nullptr, "new"},
      {"1176, held", &Stop<1176>, &Posix, "old", kHeld, false, false, nullptr, "new"},
      {"1177, denied, back", &Stop<1177>, &Posix, "old", kDenied, false, false, nullptr, "new"},
      {"1177, denied, memory", &Stop<1177>, &Posix, "old", kDenied, true, false, nullptr, "old"},
      {"1177, held, memory", &Stop<1177>, &NoPosix, "old", kHeld, true, false, nullptr, "old"},
      {"1177, denied, hq", &Stop<1177>, &Posix, "host", kDenied, true, false, "hq\r\n", "hq\r\n"},
      {"1177, held, hq", &Stop<1177>, &Posix, "host", kHeld, true, false, "hq\r\n", "hq\r\n"},
      {"1177, old bytes unknown", &Stop<1177>, &Posix, kLarge, kDenied, 1, 0, nullptr, nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Win32CallsRestored calls;
    UseFakes(c.replace, c.rename, c.refusal, c.refuseBack);
    TempDir dir;
    const auto target = dir / "auxline.dat";
    if (c.old != nullptr) WriteBytes(target, c.old);
    if (c.readOnly) SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
    ReplaceOptions options;
    if (c.afterFailure != nullptr) options.BytesAfterFailedWrite = c.afterFailure;
    const bool written = c.expected != nullptr && std::string_view(c.expected) == "new";
    EXPECT_EQ(ReplaceFileContents(target, "new", options).Ok(), written);
    EXPECT_EQ(c.calls.empty() ? c.calls : log, c.calls);
    EXPECT_EQ(ReadOnly(target.c_str()), c.readOnly);
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(target),
              c.expected ? std::optional<std::string>(c.expected) : std::nullopt);
    // Without the target, the temporary file and the backup are the last copies.
    EXPECT_EQ(dir.Entries().size(), c.expected != nullptr ? 1u : 2u);
    const auto backup = ReadBytes(std::filesystem::path(backupGiven)).value_or("");
    EXPECT_TRUE(c.expected != nullptr || backup == large) << backup.size() << " bytes kept";
  }
}

// Near 260 characters, relative or with forward slashes: an absolute `\\?\` path, renamed.
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
    Win32CallsRestored calls;
    UseFakes(nullptr, &NoPosix, 0, false);  // the classic rename, as before Windows 10 1709
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
