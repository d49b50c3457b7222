// Which files the dialog program works on: those of the executable that started it, passed
// as a full path, never anything the working directory would decide; and what was passed
// is not handed on to anything the program starts.
#include "platform/linux/dialog_program.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <functional>
#include <optional>
#include <string>

#include "tests/support/temp_dir.h"

namespace {

TEST(DialogProgram, WorksOnTheFilesOfTheExecutableThatStartedIt) {
  const std::filesystem::path own = "/opt/tool/auxline-dialog";
  const struct {
    const char* name;
    std::optional<std::string> passed;
    std::filesystem::path expected;
  } cases[] = {
      {"started by auxline", "/opt/tool/auxline", "/opt/tool/auxline"},
      {"started by a renamed copy elsewhere", "/home/u/cad/aux2", "/home/u/cad/aux2"},
      {"started by hand", std::nullopt, "/opt/tool/auxline"},
      {"empty", "", "/opt/tool/auxline"},
      {"relative path", "cad/auxline", "/opt/tool/auxline"},
      {"a folder", "/home/u/cad/", "/opt/tool/auxline"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.passed) {
      ASSERT_EQ(::setenv(kStartingExecutableVariable, c.passed->c_str(), 1), 0);
    } else {
      ASSERT_EQ(::unsetenv(kStartingExecutableVariable), 0);
    }
    EXPECT_EQ(TakeStartingExecutablePath(own), c.expected);
    EXPECT_EQ(::getenv(kStartingExecutableVariable), nullptr);
  }
}

// A dialog program that cannot start leaves its reason in the log of the executable that
// tried to start it; the run ends with status 2.
TEST(DialogProgram, OneThatCannotStartLeavesItsReasonInTheLog) {
  const std::filesystem::path built = std::filesystem::path(AUXLINE_MODULE_DIR) / "auxline-dialog";
  const struct {
    const char* what;
    std::function<void(const std::filesystem::path&)> prepare;
    const char* reason;
  } kCases[] = {
      {"missing", [](const std::filesystem::path&) {},
       "could not start: No such file or directory"},
      {"not executable",
       [&](const std::filesystem::path& program) {
         std::filesystem::copy_file(built, program);
         std::filesystem::permissions(program, std::filesystem::perms::owner_read);
       },
       "could not start: Permission denied"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    c.prepare(dir / "auxline-dialog");
    char program[] = "auxline";
    char* argv[] = {program, nullptr};
    EXPECT_EQ(RunThroughDialogProgram(RunMode::Parse({}), dir / "auxline", argv), 2);
    const std::string log = ReadBytes(dir / "auxline.log").value_or("");
    EXPECT_NE(
        log.find("status 2, no arguments: the dialog program " + (dir / "auxline-dialog").string()),
        std::string::npos)
        << log;
    EXPECT_NE(log.find(c.reason), std::string::npos) << log;
  }
}

}  // namespace
