// The tool's folder beside the host may be named in Japanese.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "os/file_system.h"
#include "tests/support/temp_dir.h"

namespace {

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
