// Where Windows differs: a program that holds the file open without sharing its deletion
// (the host, a virus scanner) makes the rename fail, and the file is then rewritten in
// place; a killed run's temporary file is removed once its creator is gone.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/os/file_system.h"
#include "tests/tool/temp_dir.h"

namespace {

TEST(FileLayer, FileHeldOpenByAnotherProgramIsRewrittenInPlace) {
  TempDir dir;
  const auto target = dir / "JWC_TEMP.TXT";
  WriteBytes(target, "hp1 0 0\r\nhp2 10 10\r\n");
  const HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(ReplaceFileContents(target, "lg0\r\n"));
  CloseHandle(held);
  EXPECT_EQ(ReadBytes(target), "lg0\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(FileLayer, HiddenFileStaysHiddenAndAbandonedTemporaryGoes) {
  TempDir dir;
  const auto target = dir / "auxline.dat";
  WriteBytes(target, "old\r\n");
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_HIDDEN);
  // Process ids are multiples of four on Windows: 4194307 belongs to no process.
  const auto abandoned = dir / "auxline.dat.4194307-00000000000000aa.tmp";
  WriteBytes(abandoned, "half");
  HANDLE file = CreateFileW(abandoned.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER earlier{{now.dwLowDateTime, now.dwHighDateTime}};
  earlier.QuadPart -= 60ull * 10000000ull;  // a minute ago
  const FILETIME written{earlier.LowPart, earlier.HighPart};
  SetFileTime(file, nullptr, nullptr, &written);
  CloseHandle(file);

  ASSERT_TRUE(ReplaceFileContents(target, "new\r\n"));
  EXPECT_EQ(ReadBytes(target), "new\r\n");
  EXPECT_NE(GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  EXPECT_FALSE(std::filesystem::exists(abandoned));
}

}  // namespace
