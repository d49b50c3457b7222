#pragma once
// The real Qt window under test: one application object for the whole test program (the
// offscreen platform unless the environment names another), and a way to run the form in
// the window and act on it while its event loop runs, as a user would.
#include <QApplication>
#include <functional>

#include "platform/linux/qt/dialog_widget.h"
#include "platform/linux/qt/qt_form_window.h"
#include "tool/tform1.h"

QApplication& TestApplication();

// Declared as a test fixture's first member, so that the application exists before any
// window member is built.
struct ApplicationReady {
  ApplicationReady() { TestApplication(); }
};

// Runs the form in the window. `whileOpen` is called from the window's event loop once the
// window is shown and active; it must end the dialog (OK, Cancel, Esc, close box). Should
// it not, the test fails and the dialog is cancelled, so that the test program never hangs.
void RunWithDialogOpen(QtFormWindow& window, TForm1& form,
                       const std::function<void(AuxlineDialog&)>& whileOpen);

// Replaces the text of an edit box by typing, as a user would after selecting it all.
void Retype(QWidget& edit, const QString& text);
