// Whose files the tool follows and removes: links at its file names, the copies a replacement
// leaves beside its target. Wine shows no links, makes the user every file's owner and its ctime
// a file's change time: the call table plays links, owners and files made when last written.
#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <map>

#include "os/append_file.h"
#include "os/file_system.h"
#include "os/temporary_files.h"
#include "os/win32/file_identity.h"
#include "os/win32/reparse_points.h"
#include "tests/support/scoped_file_calls.h"
#include "tests/support/temp_dir.h"

namespace {

PSID Sid(const wchar_t* text) {  // made once, kept for the whole run
  static std::map<std::wstring, PSID> made;
  PSID& sid = made[text];
  if (sid == nullptr) ConvertStringSidToSidW(text, &sid);
  return sid;
}
constexpr const wchar_t *kAdministrators = L"S-1-5-32-544", *kOther = L"S-1-5-21-10-20-30-1002";

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

struct Faked {                     // what the system shows of a file of a given name
  const wchar_t* owner = nullptr;  // none: the user
  bool link = false, renamedNow = false, hidden = false;  // renamed: made when its ctime says
};
std::map<std::wstring, Faked> faked;
Faked FakedAt(const std::filesystem::path& path) {
  const auto found = faked.find(path.filename());
  return found == faked.end() ? Faked{} : found->second;
}
DWORD WINAPI FakeOwner(HANDLE file, SE_OBJECT_TYPE type, SECURITY_INFORMATION what, PSID* owner,
                       PSID* group, PACL* dacl, PACL* sacl, PSECURITY_DESCRIPTOR* descriptor) {
  const DWORD got = GetSecurityInfo(file, type, what, owner, group, dacl, sacl, descriptor);
  const wchar_t* other = FakedAt(FinalPathOf(file)).owner;
  if (got == ERROR_SUCCESS && other != nullptr) *owner = Sid(other);
  return got;
}
BOOL WINAPI FakeInfo(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID out, DWORD size) {
  if (!GetFileInformationByHandleEx(file, kind, out, size)) return FALSE;
  const Faked as = FakedAt(FinalPathOf(file));
  auto* basic = static_cast<FILE_BASIC_INFO*>(out);
  if (kind == FileBasicInfo && !as.renamedNow) basic->ChangeTime = basic->LastWriteTime;
  auto* tag = static_cast<FILE_ATTRIBUTE_TAG_INFO*>(out);
  if (kind == FileAttributeTagInfo && as.link) tag->ReparseTag = IO_REPARSE_TAG_SYMLINK;
  return TRUE;
}
DWORD WINAPI FakeAttributes(LPCWSTR path) {
  const DWORD got = GetFileAttributesW(path);
  if (FakedAt(path).hidden) return SetLastError(ERROR_FILE_NOT_FOUND), INVALID_FILE_ATTRIBUTES;
  return got != INVALID_FILE_ATTRIBUTES && FakedAt(path).link ? got | FILE_ATTRIBUTE_REPARSE_POINT
                                                              : got;
}
void UseFakes(std::map<std::wstring, Faked> files) {
  FileCalls().GetSecurityInfo = &FakeOwner;
  FileCalls().GetFileInformationByHandleEx = &FakeInfo;
  FileCalls().GetFileAttributesW = &FakeAttributes;
  faked = std::move(files);
}

// Every way the tool reaches its files: the exchange file and the settings read and replaced (by
// the output, "hq" or the settings; removal and identity open them as the read does), the log's
// own file opened to add a line (never through a link: the user's own is refused too).
TEST(Links, AnotherUsersLinkAtAnyOfTheToolsFilesIsNeverFollowed) {
  const auto followed = [](int way, const std::filesystem::path& path) {
    if (way == 0) return RegularFileReader(path).State() == RegularFileReader::Outcome::Opened;
    return way == 1 ? ReplaceFileContents(path, "hq\r\n") : AppendFile(path).IsOpen();
  };
  const struct {
    const char* what;
    int way;
    const wchar_t* owner;  // none: the user
    bool followed;
  } kCases[] = {{"read", 0, kOther, false},
                {"read, the user's", 0, nullptr, true},
                {"replaced", 1, kOther, false},
                {"replaced, the user's", 1, nullptr, true},
                {"the log's, the user's", 2, nullptr, false}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ScopedFileCalls calls;
    UseFakes({{L"JWC_TEMP.TXT", {c.owner, true}}});
    TempDir dir;
    WriteBytes(dir / "JWC_TEMP.TXT", "the user's other file");
    EXPECT_EQ(followed(c.way, dir / "JWC_TEMP.TXT"), c.followed);
    EXPECT_TRUE(c.followed || ReadBytes(dir / "JWC_TEMP.TXT") == "the user's other file");
  }
}

// All in one folder; none go while the run finds no file of the target's name (the fake hides
// it from that look). Those kept that are the user's are named newest bytes first: a killed
// run's settings before the backup of the old ones that a later ReplaceFileW made.
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
      {"creator running, written an hour ago", self, {}, 60, true, false},
      {"another user's, an hour old", kGone, {kOther}, 60, false, false},
      {"the administrators', an hour old", kGone, {kAdministrators}, 60, elevated != 0, false},
      {"creator running, a minute old", self, {}, 1, false, true},
      {"a backup written an hour ago, made now", self, {nullptr, false, true}, 60, false, true}};
  TempDir dir;
  WriteBytes(dir / "auxline.dat", "1\r\n");
  std::map<std::wstring, Faked> fakes{{L"auxline.dat", {nullptr, false, false, true}}};
  std::vector<std::wstring> names, named;
  for (const auto& c : kCases) {
    names.push_back(temporary_files::NameFor(L"auxline.dat", c.creator, names.size(), 255));
    fakes[names.back()] = c.faked;
    if (c.named) named.push_back(names.back());
    const std::filesystem::path path = c.faked.renamedNow ? dir / "old" : dir.Path() / names.back();
    WriteBytes(path, "half");
    std::filesystem::last_write_time(
        path, std::filesystem::last_write_time(path) - std::chrono::minutes(c.minutes));
    if (c.faked.renamedNow) std::filesystem::rename(path, dir.Path() / names.back());
  }
  ScopedFileCalls calls;
  UseFakes(fakes);
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

}  // namespace
