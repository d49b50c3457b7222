// Other users' links at the tool's file names; the copies a replacement leaves beside its
// target. Wine shows no links, makes the user every file's owner and its ctime a file's change
// time: the call table plays links, owners and files made when last written.
#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <map>

#include "os/file_system.h"
#include "os/append_file.h"
#include "os/temporary_files.h"
#include "os/win32/file_identity.h"
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

struct Fakes {
  std::wstring owned;              // the file of `owner`, shown as a link where `link`
  const wchar_t* owner = nullptr;  // none: the user
  bool madeWhenWritten = true, link = false;
} fake;
bool Faked(HANDLE file, const std::wstring& name) {
  return std::filesystem::path(FinalPathOf(file)).filename() == name;
}
DWORD WINAPI FakeOwner(HANDLE file, SE_OBJECT_TYPE type, SECURITY_INFORMATION what, PSID* owner,
                       PSID* group, PACL* dacl, PACL* sacl, PSECURITY_DESCRIPTOR* descriptor) {
  const DWORD got = GetSecurityInfo(file, type, what, owner, group, dacl, sacl, descriptor);
  if (got == ERROR_SUCCESS && fake.owner != nullptr && Faked(file, fake.owned)) {
    *owner = Sid(fake.owner);
  }
  return got;
}
BOOL WINAPI FakeInfo(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID out, DWORD size) {
  if (!GetFileInformationByHandleEx(file, kind, out, size)) return FALSE;
  auto* basic = static_cast<FILE_BASIC_INFO*>(out);
  if (kind == FileBasicInfo && fake.madeWhenWritten) basic->ChangeTime = basic->LastWriteTime;
  if (kind == FileAttributeTagInfo && fake.link && Faked(file, fake.owned)) {
    static_cast<FILE_ATTRIBUTE_TAG_INFO*>(out)->ReparseTag = IO_REPARSE_TAG_SYMLINK;
  }
  return TRUE;
}
DWORD WINAPI FakeAttributes(LPCWSTR path) {
  const DWORD got = GetFileAttributesW(path);
  const bool link = fake.link && std::filesystem::path(path).filename() == fake.owned;
  return got != INVALID_FILE_ATTRIBUTES && link ? got | FILE_ATTRIBUTE_REPARSE_POINT : got;
}
void UseFakes(const Fakes& fakes) {
  FileCalls().GetSecurityInfo = &FakeOwner;
  FileCalls().GetFileInformationByHandleEx = &FakeInfo;
  FileCalls().GetFileAttributesW = &FakeAttributes;
  fake = fakes;
}

// Every way the tool reaches its files: the exchange file and the settings read and replaced (by
// the output, "hq" or the settings; removal and identity open them as the read does), the log's
// own file opened to add a line.
TEST(Links, AnotherUsersLinkAtAnyOfTheToolsFilesIsNeverFollowed) {
  const auto followed = [](int way, const std::filesystem::path& path) {
    if (way == 0) return RegularFileReader(path).State() == RegularFileReader::Outcome::Opened;
    return way == 1 ? ReplaceFileContents(path, "hq\r\n").Ok() : AppendFile(path).IsOpen();
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
                {"the log's owner", 2, kOther, false},
                {"the log's, the user's", 2, nullptr, false}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ScopedFileCalls calls;
    UseFakes({L"JWC_TEMP.TXT", c.owner, true, true});
    TempDir dir;
    WriteBytes(dir / "JWC_TEMP.TXT", "the user's other file");
    EXPECT_EQ(followed(c.way, dir / "JWC_TEMP.TXT"), c.followed);
    EXPECT_TRUE(c.followed || ReadBytes(dir / "JWC_TEMP.TXT") == "the user's other file");
  }
}

constexpr DWORD kGone = 4194307;  // no process: their ids are multiples of four
std::wstring CopyName(DWORD creator, std::uint64_t unique, const wchar_t* target = L"auxline.dat") {
  return temporary_files::NameFor(target, creator, unique, 255);
}
// Last written `minutes` ago; made then, or just now by a rename, as ReplaceFileW makes a backup.
void MakeCopy(const TempDir& dir, const std::wstring& name, int minutes, bool renamedNow) {
  const std::filesystem::path path = renamedNow ? dir / "before" : dir.Path() / name;
  WriteBytes(path, "half");
  std::filesystem::last_write_time(
      path, std::filesystem::last_write_time(path) - std::chrono::minutes(minutes));
  if (renamedNow) std::filesystem::rename(path, dir.Path() / name);
}

TEST(LeftCopies, OnlyTheUsersOwnAbandonedOnesGoAndNoneWhileTheTargetIsMissing) {
  const DWORD self = GetCurrentProcessId();  // a creator still running
  BOOL elevated = FALSE;                     // the token holds the Administrators group
  CheckTokenMembership(nullptr, Sid(kAdministrators), &elevated);
  const struct {
    const char* what;
    DWORD creator;
    const wchar_t* owner;  // none: the user
    int minutes;
    bool renamedNow, targetThere, removed;
  } kCases[] = {
      {"creator gone, a minute old", kGone, nullptr, 1, false, true, true},
      {"creator running, 11 minutes old", self, nullptr, 11, false, true, true},
      {"another user's, an hour old", kGone, kOther, 60, false, true, false},
      {"the administrators', an hour old", kGone, kAdministrators, 60, false, true, elevated != 0},
      {"a backup written an hour ago, made now in a replace", self, nullptr, 60, true, true, false},
      {"an hour old, no file of the target's name", kGone, nullptr, 60, false, false, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ScopedFileCalls calls;
    UseFakes({CopyName(c.creator, 1), c.owner, !c.renamedNow});
    TempDir dir;
    if (c.targetThere) WriteBytes(dir / "auxline.dat", "1\r\n");
    MakeCopy(dir, fake.owned, c.minutes, c.renamedNow);
    RemoveAbandonedTemporariesOf(dir / "auxline.dat");
    EXPECT_EQ(!std::filesystem::exists(dir.Path() / fake.owned), c.removed);
  }
}

// The newest bytes first: the settings a killed run was saving, then the backup of the old ones
// that its ReplaceFileW made later.
TEST(LeftCopies, TheUsersOwnCopiesOfTheTargetNewestBytesFirst) {
  ScopedFileCalls calls;
  UseFakes({CopyName(kGone, 3), kOther, false});
  TempDir dir;
  MakeCopy(dir, CopyName(kGone, 3), 0, false);
  MakeCopy(dir, CopyName(kGone, 1), 1, false);
  MakeCopy(dir, CopyName(kGone, 2), 30, true);
  MakeCopy(dir, CopyName(kGone, 4, L"JWC_TEMP.TXT"), 0, false);
  std::vector<std::wstring> names;
  for (const auto& copy : LeftCopiesOf(dir / "auxline.dat")) names.push_back(copy.filename());
  EXPECT_EQ(names, (std::vector<std::wstring>{CopyName(kGone, 1), CopyName(kGone, 2)}));
}

}  // namespace
