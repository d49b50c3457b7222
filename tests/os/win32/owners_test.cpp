// Other users' files on Windows: links at the tool's file names, and the files a replacement
// leaves beside its target (which are the user's, how old they are, which a run removes or
// names as the target's last copies). Wine shows no links, reports the user as every file's
// owner and a file's change time as its Linux ctime, which setting its times updates: the
// call table plays links, other owners and files made when they were written.
#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "os/file_system.h"
#include "os/own_file.h"
#include "os/temporary_files.h"
#include "os/win32/file_identity.h"
#include "tests/support/scoped_file_calls.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr const wchar_t* kAdministrators = L"S-1-5-32-544";
constexpr const wchar_t* kOtherUser = L"S-1-5-21-10-20-30-1002";

PSID Sid(const std::wstring& text) {
  static std::map<std::wstring, std::unique_ptr<void, decltype(&LocalFree)>> made;
  auto found = made.find(text);
  if (found == made.end()) {
    PSID sid = nullptr;
    ConvertStringSidToSidW(text.c_str(), &sid);
    found = made.emplace(text, std::unique_ptr<void, decltype(&LocalFree)>(sid, &LocalFree)).first;
  }
  return found->second.get();
}

std::map<std::wstring, std::wstring> fakeOwners;  // file name: the owner's SID
std::wstring fakeLink;                            // the name of a file shown as a symbolic link
bool madeWhenWritten = false;

std::wstring NameOf(HANDLE file) {
  return std::filesystem::path(FinalPathOf(file)).filename().native();
}
DWORD WINAPI FakeOwner(HANDLE file, SE_OBJECT_TYPE type, SECURITY_INFORMATION what, PSID* owner,
                       PSID* group, PACL* dacl, PACL* sacl, PSECURITY_DESCRIPTOR* descriptor) {
  const DWORD got = GetSecurityInfo(file, type, what, owner, group, dacl, sacl, descriptor);
  const auto found = fakeOwners.find(NameOf(file));
  if (got == ERROR_SUCCESS && found != fakeOwners.end()) *owner = Sid(found->second);
  return got;
}
BOOL WINAPI FakeTimes(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID out, DWORD size) {
  if (!GetFileInformationByHandleEx(file, kind, out, size)) return FALSE;
  auto* basic = static_cast<FILE_BASIC_INFO*>(out);
  if (kind == FileBasicInfo && madeWhenWritten) basic->ChangeTime = basic->LastWriteTime;
  auto* tag = static_cast<FILE_ATTRIBUTE_TAG_INFO*>(out);
  if (kind == FileAttributeTagInfo && NameOf(file) == fakeLink) {
    tag->FileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    tag->ReparseTag = IO_REPARSE_TAG_SYMLINK;
  }
  return TRUE;
}
DWORD WINAPI FakeAttributes(LPCWSTR path) {
  const DWORD got = GetFileAttributesW(path);
  const bool link =
      got != INVALID_FILE_ATTRIBUTES && std::filesystem::path(path).filename() == fakeLink;
  return link ? got | FILE_ATTRIBUTE_REPARSE_POINT : got;
}
void UseFakes(bool writtenWhenMade) {
  FileCalls().GetSecurityInfo = &FakeOwner;
  FileCalls().GetFileInformationByHandleEx = &FakeTimes;
  FileCalls().GetFileAttributesW = &FakeAttributes;
  fakeOwners = {}, fakeLink = {};
  madeWhenWritten = writtenWhenMade;
}

bool TokenHolds(const wchar_t* group) {
  BOOL member = FALSE;
  return CheckTokenMembership(nullptr, Sid(group), &member) && member;
}

// Process ids are multiples of four on Windows: 4194307 belongs to no process.
constexpr DWORD kGone = 4194307;

std::wstring CopyName(const wchar_t* target, DWORD creator, std::uint64_t unique) {
  return temporary_files::NameFor(target, creator, unique, 255);
}

// A file of `bytes` at `path` last written `ago`; made then, or made now by a rename (as
// ReplaceFileW makes a backup of the old file).
void MakeCopy(const TempDir& dir, const std::wstring& name, std::chrono::minutes ago,
              bool renamedNow, const char* bytes = "half") {
  const std::filesystem::path path = dir.Path() / name, before = dir / "before-rename";
  const std::filesystem::path written = renamedNow ? before : path;
  WriteBytes(written, bytes);
  std::filesystem::last_write_time(written, std::filesystem::last_write_time(written) - ago);
  if (renamedNow) std::filesystem::rename(before, path);
}

// Every way the tool reaches its files (the exchange file read, replaced by the output or by
// the "hq" of a dialog's run, removed and told apart by identity; the settings read and
// replaced; the log's owner asked) meets the link rule: another user's link in the user's
// folder is never followed and the file stays as it is; the user's own is (not for the log).
TEST(Links, AnotherUsersLinkAtAnyOfTheToolsFilesIsNeverFollowed) {
  const auto followed = [](int way, const std::filesystem::path& path) {
    switch (way) {
      case 0: return RegularFileReader(path).State() == RegularFileReader::Outcome::Opened;
      case 1: return ReplaceFileContents(path, "hq\r\n");
      case 2: return RemoveRegularFile(path);
      case 3: return !FileIdentityOf(path).empty();
      default: return OwnershipOf(path) == FileOwnership::Own;
    }
  };
  const struct {
    const char* what;
    int way;
    const wchar_t* owner;  // none: the user
    bool followed;
  } kCases[] = {
      {"read, another user's", 0, kOtherUser, false},
      {"read, the user's", 0, nullptr, true},
      {"replaced, another user's", 1, kOtherUser, false},
      {"replaced, the user's", 1, nullptr, true},
      {"removed, another user's", 2, kOtherUser, false},
      {"identity, another user's", 3, kOtherUser, false},
      {"the log's owner, another user's", 4, kOtherUser, false},
      {"the log's owner, the user's", 4, nullptr, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ScopedFileCalls calls;
    UseFakes(false);
    TempDir dir;
    fakeLink = L"JWC_TEMP.TXT";
    if (c.owner != nullptr) fakeOwners[fakeLink] = c.owner;
    WriteBytes(dir / "JWC_TEMP.TXT", "the user's other file");
    EXPECT_EQ(followed(c.way, dir / "JWC_TEMP.TXT"), c.followed);
    const char* const kept = c.followed ? nullptr : "the user's other file";
    EXPECT_TRUE(kept == nullptr || ReadBytes(dir / "JWC_TEMP.TXT") == kept);
  }
}

TEST(LeftCopies, OnlyTheUsersOwnAbandonedOnesGoAndNoneWhileTheTargetIsMissing) {
  using std::chrono::minutes;
  const DWORD self = GetCurrentProcessId();  // still running
  const bool elevated = TokenHolds(kAdministrators);
  const struct {
    const char* what;
    DWORD creator;
    const wchar_t* owner;  // none: the user
    minutes written;
    bool renamedNow, targetThere, removed;
  } kCases[] = {
      {"the user's, creator gone, a minute old", kGone, nullptr, minutes(1), false, true, true},
      {"the user's, creator gone, just written", kGone, nullptr, minutes(0), false, true, false},
      {"the user's, creator running, 11 minutes old", self, nullptr, minutes(11), 0, 1, true},
      {"the user's, creator running, 9 minutes old", self, nullptr, minutes(9), 0, 1, false},
      {"another user's, creator gone, an hour old", kGone, kOtherUser, minutes(60), 0, 1, false},
      {"the administrators' (the user's where the token holds them), an hour old", kGone,
       kAdministrators, minutes(60), false, true, elevated},
      {"a backup written an hour ago, made now by a run in its replace", self, nullptr, minutes(60),
       true, true, false},
      {"no target: the user's, creator gone, an hour old", kGone, nullptr, minutes(60), 0, 0, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    ScopedFileCalls calls;
    UseFakes(!c.renamedNow);
    TempDir dir;
    const std::wstring name = CopyName(L"auxline.dat", c.creator, 0xab);
    if (c.owner != nullptr) fakeOwners[name] = c.owner;
    if (c.targetThere) WriteBytes(dir / "auxline.dat", "1\r\n");
    MakeCopy(dir, name, c.written, c.renamedNow);
    RemoveAbandonedTemporariesOf(dir / "auxline.dat");
    EXPECT_EQ(!std::filesystem::exists(dir.Path() / name), c.removed);
  }
}

// Without the target, the newest bytes first: a temporary file holding the settings a killed
// run was saving before the backup of the old ones that its ReplaceFileW made later.
TEST(LeftCopies, TheUsersOwnCopiesOfTheTargetNewestBytesFirst) {
  ScopedFileCalls calls;
  UseFakes(false);
  TempDir dir;
  const std::wstring temporary = CopyName(L"auxline.dat", kGone, 1),
                     backup = CopyName(L"auxline.dat", kGone, 2),
                     others = CopyName(L"auxline.dat", kGone, 3);
  fakeOwners[others] = kOtherUser;
  MakeCopy(dir, others, std::chrono::minutes(0), false);
  MakeCopy(dir, temporary, std::chrono::minutes(1), false, "new");
  MakeCopy(dir, backup, std::chrono::minutes(30), true, "old");
  MakeCopy(dir, CopyName(L"JWC_TEMP.TXT", kGone, 4), std::chrono::minutes(0), false);
  WriteBytes(dir / "auxline.dat.bak", "not a copy");
  std::vector<std::wstring> names;
  for (const auto& copy : LeftCopiesOf(dir / "auxline.dat")) names.push_back(copy.filename());
  EXPECT_EQ(names, (std::vector<std::wstring>{temporary, backup}));
}

}  // namespace
