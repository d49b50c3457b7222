// Where Windows differs: held files, abandoned temporary files, kept attributes and creation
// times, Japanese folder names (held_file_cases.sh holds a file from another program).
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>

#include "os/file_system.h"
#include "tests/support/temp_dir.h"

namespace {

void SetCreationTime(const std::filesystem::path& path, const FILETIME& created) {
  const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SetFileTime(file, &created, nullptr, nullptr);
  CloseHandle(file);
}
FILETIME CreationTimeOf(const std::filesystem::path& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  return data.ftCreationTime;
}

TEST(FileLayer, FileHeldOpenIsRewrittenInPlaceAndAbandonedTemporaryGoes) {
  TempDir dir;
  const auto target = dir / "JWC_TEMP.TXT";
  WriteBytes(target, "hp1 0 0\r\nhp2 10 10\r\n");
  // Process ids are multiples of four on Windows: 4194307 belongs to no process.
  const auto abandoned = dir / "JWC_TEMP.TXT.4194307-00000000000000aa.tmp";
  WriteBytes(abandoned, "half");
  std::filesystem::last_write_time(
      abandoned, std::filesystem::last_write_time(abandoned) - std::chrono::minutes(1));
  const HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(ReplaceFileContents(target, "lg0\r\n"));
  CloseHandle(held);
  EXPECT_EQ(ReadBytes(target), "lg0\r\n");
  EXPECT_EQ(dir.Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
}

TEST(FileLayer, ReplacedFileKeepsItsAttributesAndCreationTime) {
  TempDir dir;
  const auto target = dir / "auxline.dat";
  WriteBytes(target, "1\r\n");
  const FILETIME longAgo{0x5A3C0000, 0x01C0D9B1};  // early 2001
  SetCreationTime(target, longAgo);
  const FILETIME before = CreationTimeOf(target);
  const DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;
  SetFileAttributesW(target.c_str(), kept);
  ReplaceOptions durable;
  durable.Durable = true;
  EXPECT_TRUE(ReplaceFileContents(target, "2\r\n", durable));
  EXPECT_EQ(GetFileAttributesW(target.c_str()) & kept, kept);
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadBytes(target), "2\r\n");
  if (CompareFileTime(&longAgo, &before) != 0) {
    GTEST_SKIP() << "this system keeps no creation time set on a file (Wine stores none)";
  }
  const FILETIME created = CreationTimeOf(target);
  EXPECT_EQ(CompareFileTime(&longAgo, &created), 0);
}

TEST(WidePaths, ReplacingAnExistingFileInAJapaneseFolder) {
  TempDir root;
  const std::filesystem::path folder = root.Path() / std::filesystem::path(L"補助線の作図 テスト");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  const std::filesystem::path target = folder / std::filesystem::path(L"JWC_TEMP.TXT");
  for (const char* contents : {"first\r\n", "second, longer than the first\r\n", "3\r\n"}) {
    ASSERT_TRUE(ReplaceFileContents(target, contents)) << contents;
    EXPECT_EQ(ReadBytes(target), std::optional<std::string>(contents));
  }
  // Only the target is left: the temporary file was renamed over it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
}

}  // namespace
