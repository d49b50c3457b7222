// Where Windows differs: a file held without delete sharing is rewritten in place after a wait
// (held_file_cases.sh holds one from another program), a killed run's temporary file goes once
// its creator has, a replaced file keeps its attributes and creation time, and the tool's
// folder beside the host may be named in Japanese.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "os/file_system.h"
#include "tests/support/temp_dir.h"

namespace {

void SetTimes(const std::filesystem::path& path, const FILETIME* created, const FILETIME* written) {
  const HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  SetFileTime(file, created, nullptr, written);
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
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER minuteAgo{{now.dwLowDateTime, now.dwHighDateTime}};
  minuteAgo.QuadPart -= 60ull * 10000000ull;
  const FILETIME written{minuteAgo.LowPart, minuteAgo.HighPart};
  SetTimes(abandoned, nullptr, &written);
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
  SetTimes(target, &longAgo, nullptr);
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
  std::set<std::filesystem::path> left;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) left.insert(entry.path());
  EXPECT_EQ(left, std::set<std::filesystem::path>{target});
}

}  // namespace
