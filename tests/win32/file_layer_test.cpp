// Where Windows differs: a program that holds the file open without sharing its deletion
// (the host, a virus scanner) makes the rename fail, so the file is rewritten in place; and
// a killed run's temporary file is found by the system's own name matching and removed once
// its creator is gone.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "os/file_system.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(FileLayer, FileHeldOpenIsRewrittenInPlaceAndAbandonedTemporaryGoes) {
  TempDir dir;
  const auto target = dir / "JWC_TEMP.TXT";
  WriteBytes(target, "hp1 0 0\r\nhp2 10 10\r\n");
  // Process ids are multiples of four on Windows: 4194307 belongs to no process.
  const auto abandoned = dir / "JWC_TEMP.TXT.4194307-00000000000000aa.tmp";
  WriteBytes(abandoned, "half");
  const HANDLE old = CreateFileW(abandoned.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(old, INVALID_HANDLE_VALUE);
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER minuteAgo{{now.dwLowDateTime, now.dwHighDateTime}};
  minuteAgo.QuadPart -= 60ull * 10000000ull;
  const FILETIME written{minuteAgo.LowPart, minuteAgo.HighPart};
  SetFileTime(old, nullptr, nullptr, &written);
  CloseHandle(old);

  const HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(ReplaceFileContents(target, "lg0\r\n"));
  CloseHandle(held);
  EXPECT_EQ(ReadBytes(target), "lg0\r\n");
  EXPECT_EQ(dir.Entries(), std::set<std::string>{"JWC_TEMP.TXT"});
}

}  // namespace
