// Which files the dialog program works on: those of the executable that started it, passed
// as a full path, never anything the working directory would decide; and what was passed
// is not handed on to anything the program starts.
#include "platform/linux/dialog_program.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

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

}  // namespace
