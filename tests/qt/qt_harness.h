#pragma once
// One application object for the whole Qt test program, on the offscreen platform.
#include <QApplication>
#include <cstdlib>

#include "platform/linux/qt/toolkit_environment.h"

inline QApplication& TestApplication() {
  static int argc = 1;
  static char program[] = "qt_tests";
  static char* argv[] = {program, nullptr};
  static QApplication* application = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/1);  // sizes assume its 2-pixel frame
    ScaleWithTheDesktop();
    auto* created = new QApplication(argc, argv);  // lives until the test program ends
    ConfigureApplication();
    return created;
  }();
  return *application;
}
