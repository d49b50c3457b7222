// The Windows file layer's pure rules: trusted ids, brief holds, followed links, replaced files.
#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <memory>

#include "os/win32/file_identity.h"
#include "os/win32/held_files.h"
#include "os/win32/owners.h"
#include "os/win32/reparse_points.h"
#include "tests/support/temp_dir.h"

namespace {

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
  const wchar_t *const kUser = L"S-1-5-21-10-20-30-1001", *const kOther = L"S-1-5-21-10-20-30-1002";
  const struct {
    const char* what;
    const wchar_t *owner, *folderOwner;
    bool followed;
  } kCases[] = {{"the user's own, in another's folder", kUser, kOther, true},
                {"the folder owner's", kOther, kOther, true},
                {"the administrators'", L"S-1-5-32-544", kOther, true},
                {"another user's, in the user's folder", kOther, kUser, false},
                {"another user's, in the administrators' folder", kOther, L"S-1-5-32-544", false},
                {"the system's, in the user's folder", L"S-1-5-18", kUser, false}};
  const auto sid = [](const wchar_t* text) {
    PSID made = nullptr;
    ConvertStringSidToSidW(text, &made);
    return std::unique_ptr<void, decltype(&LocalFree)>(made, &LocalFree);
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(MayFollowReparsePoint(sid(c.owner).get(), sid(kUser).get(), sid(c.folderOwner).get()),
              c.followed);
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

}  // namespace
