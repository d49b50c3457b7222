// The executable's path: from the system, and the original name after a replace.
#include "platform/linux/exe_path.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

TEST(ExePath, IsTheRunningBinaryWhateverTheWorkingDirectory) {
  TempDir dir;
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  const std::filesystem::path exe = RunningExecutablePath();
  std::filesystem::current_path(before);
  ASSERT_TRUE(exe.is_absolute());
  EXPECT_EQ(exe.filename(), "qt_tests");
  EXPECT_TRUE(std::filesystem::exists(exe));
}

TEST(ExePath, DeletedMarkIsDroppedOnlyWhenNoSuchFileExists) {
  TempDir dir;
  const std::string gone = (dir / "auxline").string();
  EXPECT_EQ(ExecutablePathFromLink(gone + " (deleted)"), gone);
  EXPECT_EQ(ExecutablePathFromLink(gone), gone);
  const std::string real = (dir / "odd (deleted)").string();
  WriteBytes(real, "");
  EXPECT_EQ(ExecutablePathFromLink(real), real);
}

}  // namespace
