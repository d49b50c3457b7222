// Where the toolkit looks for plugins once the dialog module has prepared it: the system's
// plugin folder only, whatever the environment names, and never the program's own folder.
#include "platform/linux/qt/toolkit_environment.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>

#include "tests/qt/qt_harness.h"

namespace {

TEST(ToolkitEnvironment, PluginsComeFromTheSystemsFolderOnly) {
  TestApplication();
  const QString programFolder = QCoreApplication::applicationDirPath();
  const struct {
    const char* what;
    const char* variable;
  } kCases[] = {
      {"nothing named", nullptr},
      {"QT_PLUGIN_PATH names the program's folder", "QT_PLUGIN_PATH"},
      {"QT_QPA_PLATFORM_PLUGIN_PATH names the program's folder", "QT_QPA_PLATFORM_PLUGIN_PATH"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    if (c.variable != nullptr) ::setenv(c.variable, qPrintable(programFolder), 1);
    KeepToSystemPlugins();
    const QString system = QLibraryInfo::path(QLibraryInfo::PluginsPath);
    EXPECT_EQ(QCoreApplication::libraryPaths(), QStringList{system});
    EXPECT_FALSE(system.startsWith(programFolder)) << qPrintable(system);
    EXPECT_EQ(::getenv("QT_PLUGIN_PATH"), nullptr);
    EXPECT_EQ(::getenv("QT_QPA_PLATFORM_PLUGIN_PATH"), nullptr);
  }
  // The toolkit's own settings take the place of a qt.conf beside the program.
  EXPECT_TRUE(QFile::exists(QStringLiteral(":/qt/etc/qt.conf")));
}

}  // namespace
