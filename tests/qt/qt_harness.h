#pragma once
// The real Qt window under test: one application object for the whole test program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>

#include "platform/linux/qt/dialog_widget.h"
#include "platform/linux/qt/qt_form_window.h"
#include "platform/linux/qt/toolkit_environment.h"
#include "tool/tform1.h"

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

// Calls `whileOpen` from the event loop once the dialog is shown and active; it must end the
// dialog, else the test fails and the dialog is cancelled (the program never hangs).
inline void RunWithDialogOpen(QtFormWindow& window, TForm1& form,
                              const std::function<void(AuxlineDialog&)>& whileOpen) {
  bool reached = false;
  // This scope's timer: should the dialog never open, it cannot fire into a later test.
  QTimer opened;
  opened.setSingleShot(true);
  QObject::connect(&opened, &QTimer::timeout, [&] {
    reached = true;
    AuxlineDialog& dialog = window.Dialog();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    whileOpen(dialog);
    if (!form.IsClosed()) {
      ADD_FAILURE() << "the dialog was left open";
      form.Button2Click();
    }
  });
  opened.start(0);
  window.Run(form);
  EXPECT_TRUE(reached) << "the dialog never opened";
}

// Replaces an edit box's text by typing, as a user would after selecting it all.
inline void Retype(QWidget& edit, const QString& text) {
  edit.setFocus(Qt::OtherFocusReason);
  if (auto* lineEdit = qobject_cast<QLineEdit*>(&edit)) lineEdit->selectAll();
  QTest::keyClicks(&edit, text);
}
