// File handling of the core with Windows paths that hold Japanese characters: the tool's
// folder beside the host may be named in Japanese.
#include <gtest/gtest.h>

#include <filesystem>

#include "os/file_system.h"
#include "tests/support/temp_dir.h"

namespace {

TEST(WidePaths, ReplacingAnExistingFileInAJapaneseFolder) {
  TempDir root;
  const std::filesystem::path folder = root.Path() / std::filesystem::path(L"補助線の作図 テスト");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  const std::filesystem::path target = folder / std::filesystem::path(L"JWC_TEMP.TXT");

  const struct {
    const char* Contents;
  } kSteps[] = {{"first\r\n"}, {"second, longer than the first\r\n"}, {"3\r\n"}};
  for (const auto& step : kSteps) {
    ASSERT_TRUE(ReplaceFileContents(target, step.Contents)) << step.Contents;
    EXPECT_EQ(ReadBytes(target), std::optional<std::string>(step.Contents));
  }
  // Nothing but the target is left behind: the temporary file was renamed over it.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    EXPECT_EQ(entry.path().filename(), target.filename());
    ++files;
  }
  EXPECT_EQ(files, 1);
}

}  // namespace
